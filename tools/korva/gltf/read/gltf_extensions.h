// Every glTF extension korva knows and what becomes of it: read into the object, decoded before
// it is read, or left out (with the reason a user is told). One table, asked right after the JSON
// is parsed, before any buffer is loaded: a required extension korva does not read refuses the
// asset before anything that extension changes is touched.
#pragma once

#include <string>
#include <vector>

namespace korva::gltf::doc {

enum class ExtensionFate {
  kRead,     // its data is read into the object
  kDecoded,  // compressed data, decoded before it is read
  kLeftOut,  // what it adds has no place in the host object (or no decoder in this build)
  kUnknown,  // not in korva's table
};

// One extension an asset uses or requires, with what became of it.
struct ExtensionUse {
  std::string name;
  bool required = false;
  ExtensionFate fate = ExtensionFate::kUnknown;
  const char* note = "";  // what reading it does, or why it is left out
};

enum class ExtensionStatus {
  kAccepted,         // every required extension is read or decoded
  kRequiredNotRead,  // `refused` lists the required ones korva does not read
};

struct ExtensionCheck {
  ExtensionStatus status = ExtensionStatus::kAccepted;
  std::vector<ExtensionUse> uses;     // extensionsUsed in order, then required ones not listed
  std::vector<ExtensionUse> refused;  // required, left out or unknown
};

// What becomes of each extension `used` and `required` name (each once).
ExtensionCheck CheckExtensions(const std::vector<std::string>& used,
                               const std::vector<std::string>& required);

// "read", "decoded", "left out" or "unknown".
const char* FateName(ExtensionFate fate);

// Whether the use is worth a warning: used, not read or decoded.
inline bool IsLeftOut(const ExtensionUse& use) {
  return use.fate == ExtensionFate::kLeftOut || use.fate == ExtensionFate::kUnknown;
}

}  // namespace korva::gltf::doc
