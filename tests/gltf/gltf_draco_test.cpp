// Draco-compressed assets as pipelines write them (tests/gltf/draco, made by gltf-transform) read
// as the object their uncompressed originals give, compared per triangle corner because Draco
// quantizes, reorders and merges vertices; and a stream that disagrees with its asset is refused in
// one line naming the primitive.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/korva_runner.h"
#include "gltf/build/gltf_import.h"
#include "gltf/compare/object_match.h"
#include "gltf/decode/draco_primitive.h"
#include "gltf/samples/gltf_cases.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

void Import(const std::vector<uint8_t>& bytes, gltf::ImportedAsset* asset) {
  std::string error;
  ASSERT_TRUE(
      gltf::ImportGltf(bytes.data(), bytes.size(), nullptr, gltf::ImportOptions(), asset, &error))
      << error;
}

std::vector<uint8_t> Kept(const std::string& name) {
  return ReadWholeFile(std::string(KORVA_DRACO_ASSETS_DIR) + "/" + name);
}

std::vector<uint8_t> GeneratedCase(const std::string& name) {
  for (const GltfCase& c : GltfCases()) {
    if (c.name == name) return c.bytes;
  }
  ADD_FAILURE() << "no case " << name;
  return {};
}

// The original of the kept crane: `korva export` of the bundled sample, as the file was made.
std::vector<uint8_t> ExportedCrane() {
  cli_tests::ScratchFolder folder;
  const auto run = cli_tests::RunKorva(
      {"export", "-q", std::string(KORVA_EXAMPLES_DIR) + "/crane.ms3d", "-o", "crane.glb"},
      folder.path());
  EXPECT_EQ(0, run.exitCode) << run.err;
  return ReadWholeFile(folder / "crane.glb");
}

struct Pair {
  std::string name;
  std::vector<uint8_t> original, draco;
};

// The kept files (the glTF layer compresses the shared models' exports at test time and holds
// them to their originals with the pipeline comparison).
std::vector<Pair> Pairs() {
  return {
      {"skinned_animated", GeneratedCase("skinned_animated"), Kept("skinned_animated.draco.glb")},
      {"textured_two_primitives", GeneratedCase("textured_two_primitives"),
       Kept("textured_two_primitives.draco.glb")},
      {"crane", ExportedCrane(), Kept("crane.draco.glb")},
  };
}

TEST(DracoAssets, ReadAsTheirUncompressedOriginals) {
  if (!gltf::decode::DracoAvailable()) GTEST_SKIP() << "built without Draco";
  for (const Pair& pair : Pairs()) {
    SCOPED_TRACE(pair.name);
    gltf::ImportedAsset original, draco;
    Import(pair.original, &original);
    Import(pair.draco, &draco);
    if (!original.object || !draco.object) continue;
    // Frames, their transforms and the keys are not Draco's: the original's within float
    // precision (a pipeline writes their numbers again, and -0 as 0).
    EXPECT_EQ("", MatchObjects(*original.object, *draco.object, CornerTolerances(),
                               {{1e-6, 1e-6, 0}, {2e-6, 0, 0}}));
  }
}

// The .glb's JSON edited by `edit` (the binary chunk kept as it is).
std::vector<uint8_t> Edited(const std::vector<uint8_t>& glb,
                            const std::function<void(nlohmann::json&)>& edit) {
  uint32_t jsonLength = 0;
  std::memcpy(&jsonLength, glb.data() + 12, 4);
  nlohmann::json json = nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + jsonLength);
  edit(json);
  std::string text = json.dump();
  while (text.size() % 4) text += ' ';
  std::vector<uint8_t> out(glb.begin(), glb.begin() + 12);
  const uint32_t length = static_cast<uint32_t>(text.size());
  out.insert(out.end(), reinterpret_cast<const uint8_t*>(&length),
             reinterpret_cast<const uint8_t*>(&length) + 4);
  out.insert(out.end(), glb.begin() + 16, glb.begin() + 20);
  out.insert(out.end(), text.begin(), text.end());
  out.insert(out.end(), glb.begin() + 20 + jsonLength, glb.end());
  const uint32_t total = static_cast<uint32_t>(out.size());
  std::memcpy(out.data() + 8, &total, 4);
  return out;
}

TEST(DracoAssets, AStreamThatDisagreesWithItsAssetIsRefusedInOneLine) {
  using nlohmann::json;
  const auto draco = [](json& j) -> json& {
    return j["meshes"][0]["primitives"][0]["extensions"]["KHR_draco_mesh_compression"];
  };
  const auto accessor = [](json& j, const char* semantic) -> json& {
    json& primitive = j["meshes"][0]["primitives"][0];
    const json& index = semantic ? primitive["attributes"][semantic] : primitive["indices"];
    return j["accessors"][index.get<int>()];
  };
  const auto everyAttribute = [&](json& j, int count) {
    for (const char* semantic : {"POSITION", "NORMAL", "JOINTS_0", "WEIGHTS_0"})
      accessor(j, semantic)["count"] = count;
  };
  struct Case {
    const char* fault;
    std::function<void(json&)> edit;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"more points declared", [&](json& j) { everyAttribute(j, 5); }, "points where"},
      {"fewer triangles declared", [&](json& j) { accessor(j, nullptr)["count"] = 3; },
       "triangles where"},
      {"an attribute id the stream lacks", [&](json& j) { draco(j)["attributes"]["POSITION"] = 7; },
       "has no POSITION"},
      {"another component type", [&](json& j) { accessor(j, "POSITION")["componentType"] = 5122; },
       "component type"},
      {"the stream's view points elsewhere", [&](json& j) { draco(j)["bufferView"] = 0; },
       "Draco header"},
      {"a stream cut short",
       [&](json& j) { j["bufferViews"][draco(j)["bufferView"].get<int>()]["byteLength"] = 40; },
       "does not decode"},
      {"a mode Draco does not hold", [&](json& j) { j["meshes"][0]["primitives"][0]["mode"] = 1; },
       "mode 1"},
  };
  const std::vector<uint8_t> kept = Kept("skinned_animated.draco.glb");
  for (const Case& c : cases) {
    gltf::ImportedAsset asset;
    std::string error;
    const std::vector<uint8_t> bytes = Edited(kept, c.edit);
    EXPECT_FALSE(gltf::ImportGltf(bytes.data(), bytes.size(), nullptr, gltf::ImportOptions(),
                                  &asset, &error))
        << c.fault;
    EXPECT_EQ(nullptr, asset.object) << c.fault;
    const std::string expected =
        gltf::decode::DracoAvailable() ? c.expected : "built without Draco";
    EXPECT_EQ(0u, error.find("meshes[0].primitives[0]: ")) << c.fault << ": " << error;
    EXPECT_NE(std::string::npos, error.find(expected)) << c.fault << ": " << error;
    EXPECT_EQ(std::string::npos, error.find('\n')) << c.fault;
  }
}

// A stream the fuzz target found (fuzz/regressions/gltf_draco: its description of the primitive,
// then the stream) asks the library for 200 MB (a count of texture coordinate orientations that
// it sizes a table from): refused as over a smaller budget; a kept asset's stream decodes within
// one.
TEST(DracoAssets, TheLibraryHoldsNoMoreThanItsBudget) {
  if (!gltf::decode::DracoAvailable()) GTEST_SKIP() << "built without Draco";
  const std::vector<uint8_t> input = ReadWholeFile(std::string(KORVA_FUZZ_REGRESSIONS_DIR) +
                                                   "/gltf_draco/texcoord_orientation_count");
  ASSERT_EQ(input.size(), 342u);
  const size_t stream = 5 + 3 * (input[4] % 6);
  gltf::decode::DracoMesh mesh;
  const uint64_t budget = uint64_t{16} << 20;
  const gltf::decode::DracoOutcome outcome = gltf::decode::DecodeDracoPrimitive(
      input.data() + stream, input.size() - stream, input[0] | input[1] << 8,
      input[2] | input[3] << 8, {}, budget, &mesh);
  EXPECT_EQ(outcome.status, gltf::decode::DracoStatus::kOverBudget);
  EXPECT_EQ(outcome.expected, budget);

  gltf::ImportOptions options;
  options.memoryAllowance = budget;
  const std::vector<uint8_t> kept = Kept("crane.draco.glb");
  gltf::ImportedAsset asset;
  std::string error;
  EXPECT_TRUE(gltf::ImportGltf(kept.data(), kept.size(), nullptr, options, &asset, &error))
      << error;
}

}  // namespace
}  // namespace korva::testing
