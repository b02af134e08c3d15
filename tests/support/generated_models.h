// The models that the hardening tests and the fuzz seeds share: generated MS3D files that between
// them use every section and subversion, and the real model files beside the checkout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::testing {

struct NamedBytes {
  std::string name;
  std::vector<uint8_t> bytes;
};

// Generated models: the sample model bare, with every optional section (each vertex-extra
// subversion), with skipped sections, without joints, without materials, with groups named as
// joints. All small (< 2 KiB).
std::vector<NamedBytes> GeneratedMs3dModels();

// The sample model with groups named as joints: "arm" (a joint's name, and "arm_mesh" is a
// joint's too) and "HAND" (a joint's name in other letters).
std::vector<uint8_t> NameClashMs3d();

// The real MS3D files of the shared test data (empty when the folder is missing).
std::vector<NamedBytes> SharedMs3dModels();

// The whole content of a file; empty when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace korva::testing
