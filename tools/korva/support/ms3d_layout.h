// The section structure of an MS3D file, walked from its sizes alone: which optional sections it
// has and, for a damaged file, where it ends too early. The model itself is read by msModel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::cli {

struct Ms3dSection {
  std::string name;        // "comments", "vertex extra", "joint extra", "model extra"
  int32_t subVersion = 0;  // as the file gives it
};

struct Ms3dLayout {
  // The mandatory part (header to last joint) is all there with a supported id and version.
  bool complete = false;
  // Why not, naming the element that is cut ("cut short in triangle 12 of 76"); empty if complete.
  std::string problem;
  std::vector<Ms3dSection> optionalSections;  // in file order, each one whole
  // An optional section that starts but is cut short, or bytes after the last known section.
  std::string trailingNote;
};

// Never reads outside `bytes`.
Ms3dLayout ScanMs3dLayout(const std::vector<uint8_t>& bytes);

}  // namespace korva::cli
