// Any input file as its JSON document: MS3D models as the file's model, DBO files as the object the
// plug-in's reader builds (see the README section "korva dump --json").
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dbo/block_reader.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#include "support/json_stream.h"

namespace korva::cli {

// Every document carries this as "formatVersion". Scripts may rely on the fields of a version;
// new fields can join without a change, renaming or removing one raises it.
constexpr int kDocumentFormatVersion = 1;

class DocumentLoader {
 public:
  // `importModels`: MS3D models too go through the plug-in's import and come out as objects.
  explicit DocumentLoader(bool importModels = false) : importModels_(importModels) {}

  // The document of the file at `path`; throws FileError naming it and what is wrong.
  nlohmann::json Load(const std::string& path);

  // The same document written to `out` as it is made (the bytes JsonText gives for Load's
  // document): an object's frames, meshes and tracks are never held whole, so a file of any
  // depth or length dumps in the memory of its object.
  void Write(const std::string& path, JsonStream& out);

 private:
  HostSession& Session();
  // Hands over the input's model document, or the object it loads or imports.
  void Visit(const InputFile& input, const std::function<void(nlohmann::json)>& onModel,
             const std::function<void(const InputFile&, const sObject&,
                                      const std::vector<dbo::SkippedBlock>&)>& onObject);

  bool importModels_;
  std::unique_ptr<HostSession> session_;  // made on first need: only objects need the plug-in
};

}  // namespace korva::cli
