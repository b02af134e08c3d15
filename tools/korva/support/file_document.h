// Any input file as its document: MS3D models as the file's model, DBO files as the object the
// plug-in's reader builds (see the README section "korva dump --json").
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dbo/block_reader.h"
#include "support/document_stream.h"
#include "support/file_kind.h"
#include "support/host_session.h"

namespace korva::cli {

// Every document carries this as "formatVersion". Scripts may rely on the fields of a version;
// new fields can join without a change, renaming or removing one raises it.
constexpr int kDocumentFormatVersion = 1;

class DocumentLoader {
 public:
  // `importModels`: MS3D models too go through the plug-in's import and come out as objects.
  explicit DocumentLoader(bool importModels = false) : importModels_(importModels) {}

  // The document of the file at `path`, written to `out` as it is made: an object's frames,
  // meshes and tracks are never held whole, so a file of any depth or length dumps in the memory
  // of its object. Throws FileError naming the file and what is wrong.
  void Write(const std::string& path, DocumentStream& out);

 private:
  HostSession& Session();
  struct LoadedObject {
    const sObject& object;
    const std::vector<dbo::SkippedBlock>& skipped;  // a DBO file's blocks of unknown codes
    const nlohmann::json& clips;       // a glTF asset's clips, as the document lists them
    const nlohmann::json& extensions;  // a glTF asset's extensions and what became of each
  };
  // Hands over the object that the input loads (a DBO file), imports (an MS3D model) or reads (a
  // glTF asset).
  void VisitObject(const InputFile& input,
                   const std::function<void(const InputFile&, const LoadedObject&)>& onObject);

  bool importModels_;
  std::unique_ptr<HostSession> session_;  // made on first need: only objects need the plug-in
};

}  // namespace korva::cli
