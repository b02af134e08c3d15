// Small glTF assets built in code for the reader's tests: well-made ones (which the validation
// layer writes out and checks with the glTF validator before the tests rely on them) and broken
// ones, each a single fault.
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace korva::testing {

// A glTF document with one binary buffer, grown view by view.
class AssetBuilder {
 public:
  AssetBuilder();

  // A buffer view over the bytes (4-byte aligned in the buffer); returns its index.
  int View(const void* data, size_t size, int stride = 0, int target = 0);
  // An accessor; returns its index.
  int Accessor(int view, int componentType, size_t count, const char* type,
               bool normalized = false);
  // Floats as a view and an accessor of `type`; positions get the min and max glTF asks for.
  int Floats(const std::vector<float>& values, const char* type, bool bounds = false);
  int Indices16(const std::vector<uint16_t>& values);

  // Appends to a top-level array; returns the new element's index.
  int Add(const char* array, nlohmann::json element);
  // One scene holding `roots`.
  void Scene(const std::vector<int>& roots);

  // The asset as a .glb file, or as .gltf JSON with the buffer as a data URI.
  std::vector<uint8_t> Glb() const;
  std::vector<uint8_t> GltfWithDataUri() const;

  nlohmann::json json;
  std::vector<uint8_t> bin;
};

struct GltfCase {
  std::string name;
  std::vector<uint8_t> bytes;
  // Files beside the asset, by path relative to its folder.
  std::map<std::string, std::vector<uint8_t>> files;
  // Well made: the validator must accept it (the validation layer checks).
  bool valid = true;
};

// Every case, valid and broken, by name.
std::vector<GltfCase> GltfCases();

}  // namespace korva::testing
