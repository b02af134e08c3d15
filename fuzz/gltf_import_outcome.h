// What every glTF fuzz target asks of one import: a refusal is one line and leaves no object; an
// object read passes the import checks; every warning is one line.
#pragma once

#include <string>

#include "fuzz_support.h"
#include "gltf/build/gltf_import.h"
#include "support/object_checks.h"

namespace korva::fuzz {

// Fails the run when the outcome breaks the rule above; returns whether an object was read.
inline bool CheckImportOutcome(bool read, const gltf::ImportedAsset& asset,
                               const std::string& error) {
  for (const std::string& warning : asset.warnings) {
    if (warning.find('\n') != std::string::npos)
      Fail("a warning of more than one line: " + warning);
  }
  if (!read) {
    if (asset.object) Fail("a refused asset kept an object");
    if (error.empty() || error.find('\n') != std::string::npos) {
      Fail("refused without one line: " + error);
    }
    return false;
  }
  if (!asset.object) Fail("read without an object");
  ExpectSound(testing::CheckImportedObject(asset.object), "read object");
  return true;
}

}  // namespace korva::fuzz
