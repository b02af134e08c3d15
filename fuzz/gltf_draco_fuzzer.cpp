// The Draco path of korva's glTF reader on any stream: the input is a small description of one
// primitive (its point and triangle counts, and which attributes its accessors declare with which
// Draco ids and component types) followed by the stream, wrapped into a .glb whose only mesh is
// that primitive. A refusal is one line and leaves no object; an object read passes the import
// checks; the run has only the memory bound for the input's size (the library's allocations
// included), and nothing is left allocated.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "gltf_import_outcome.h"

namespace {

// Semantic, components, and the component types the description picks from.
struct Semantic {
  const char* name;
  int components;
};
constexpr Semantic kSemantics[] = {
    {"POSITION", 3}, {"NORMAL", 3}, {"TEXCOORD_0", 2}, {"JOINTS_0", 4}, {"WEIGHTS_0", 4}};
constexpr int kComponentTypes[] = {5120, 5121, 5122, 5123, 5125, 5126};

// Header: points (u16), triangles (u16), attribute count (u8, at most 5), then per attribute its
// semantic, Draco id and component type (a byte each); the rest is the stream.
std::vector<uint8_t> Wrap(const uint8_t* data, size_t size) {
  if (size < 5) return {};
  const unsigned points = data[0] | data[1] << 8, triangles = data[2] | data[3] << 8;
  const size_t attributes = data[4] % 6;
  size_t at = 5 + 3 * attributes;
  if (size < at) return {};
  nlohmann::json json = {{"asset", {{"version", "2.0"}}}};
  nlohmann::json primitive = {{"attributes", nlohmann::json::object()}, {"indices", 0}};
  json["accessors"] = {
      {{"componentType", 5125}, {"count", size_t{triangles} * 3}, {"type", "SCALAR"}}};
  nlohmann::json ids = nlohmann::json::object();
  for (size_t a = 0; a < attributes; ++a) {
    const uint8_t* entry = data + 5 + 3 * a;
    const Semantic& semantic = kSemantics[entry[0] % 5];
    const char* type = semantic.components == 2   ? "VEC2"
                       : semantic.components == 3 ? "VEC3"
                                                  : "VEC4";
    primitive["attributes"][semantic.name] = json["accessors"].size();
    ids[semantic.name] = entry[1];
    json["accessors"].push_back(
        {{"componentType", kComponentTypes[entry[2] % 6]}, {"count", points}, {"type", type}});
  }
  const size_t stream = size - at;
  std::vector<uint8_t> bin(data + at, data + size);
  while (bin.size() % 4) bin.push_back(0);
  json["buffers"] = {{{"byteLength", bin.size()}}};
  json["bufferViews"] = {{{"buffer", 0}, {"byteLength", stream}}};
  primitive["extensions"] = {
      {"KHR_draco_mesh_compression", {{"bufferView", 0}, {"attributes", ids}}}};
  json["meshes"] = {{{"primitives", {primitive}}}};
  json["nodes"] = {{{"mesh", 0}}};
  json["extensionsUsed"] = json["extensionsRequired"] = {"KHR_draco_mesh_compression"};
  std::string text = json.dump();
  while (text.size() % 4) text += ' ';
  std::vector<uint8_t> glb;
  const auto word = [&](uint32_t value) {
    for (int i = 0; i < 4; ++i) glb.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  word(0x46546C67u), word(2), word(static_cast<uint32_t>(28 + text.size() + bin.size()));
  word(static_cast<uint32_t>(text.size())), word(0x4E4F534Au);
  glb.insert(glb.end(), text.begin(), text.end());
  word(static_cast<uint32_t>(bin.size())), word(0x004E4942u);
  glb.insert(glb.end(), bin.begin(), bin.end());
  return glb;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  korva::fuzz::SilenceNotices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> glb = Wrap(data, size);
  if (glb.empty()) return 0;
  // Counted from here: the wrapper's own JSON is not the reader's.
  korva::fuzz::CountedRun run(size);
  // The library sizes some tables from counts in the stream that nothing ties to the mesh or can
  // check before it decodes (a count of texture coordinate orientations asked a 342-byte input
  // for 200 MB, and a loop over them): the run has no more memory than the bound, as a smaller
  // machine would, and such a stream must fail as cleanly as any other.
  run.allocator().LimitLiveBytes(korva::testing::AllocationBound(size));
  korva::gltf::ImportOptions options;
  options.memoryAllowance = 1u << 20;
  korva::gltf::ImportedAsset asset;
  std::string error;
  const bool read =
      korva::gltf::ImportGltf(glb.data(), glb.size(), nullptr, options, &asset, &error);
  if (!korva::fuzz::CheckImportOutcome(read, asset, error)) return 0;
  return 0;
}
