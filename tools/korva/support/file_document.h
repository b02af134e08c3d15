// Any input file as its JSON document: MS3D models as the file's model, DBO files as the object the
// plug-in's reader builds (see the README section "korva dump --json").
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "support/host_session.h"

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

 private:
  HostSession& Session();

  bool importModels_;
  std::unique_ptr<HostSession> session_;  // made on first need: only objects need the plug-in
};

}  // namespace korva::cli
