// Reading exported glTF assets back in tests, with the program's own image decoder.
#pragma once

#include <tiny_gltf.h>

#include <cstdint>
#include <vector>

namespace korva::testing {

// The accessor's elements as floats (normalised integers mapped to 0..1), `*components` each.
std::vector<float> ReadAccessor(const tinygltf::Model& model, int index, int* components);

// A .glb file's content loaded with tinygltf, images decoded to RGBA; a failure is a test failure.
tinygltf::Model LoadGlb(const std::vector<uint8_t>& bytes);

}  // namespace korva::testing
