// Draco-compressed assets as pipelines write them (tests/gltf/draco, made by gltf-transform) read
// as the object their uncompressed originals give, compared per triangle corner because Draco
// quantizes, reorders and merges vertices; and a stream that disagrees with its asset is refused in
// one line naming the primitive.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/korva_runner.h"
#include "gltf/build/gltf_import.h"
#include "gltf/decode/draco_primitive.h"
#include "gltf/samples/gltf_cases.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/vertex_format.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

namespace fs = std::filesystem;

struct Corner {
  float position[3] = {0, 0, 0};
  float uv[2] = {0, 0};
  std::map<std::string, float> weights;  // bone -> weight
};
using Triangle = std::array<Corner, 3>;

// What Draco may change of an object, read out so that two objects compare up to it: every
// mesh's triangles by frame, the extent of positions and texture coordinates.
struct Shape {
  std::vector<std::pair<std::string, std::vector<Triangle>>> meshes;
  float size = 0, uvRange = 0;
};

std::vector<const sFrame*> Frames(const sFrame* root) {
  std::vector<const sFrame*> out, stack{root};
  while (!stack.empty()) {
    const sFrame* frame = stack.back();
    stack.pop_back();
    if (!frame) continue;
    out.push_back(frame);
    stack.push_back(frame->nextSibling);
    stack.push_back(frame->firstChild);
  }
  return out;
}

Shape ShapeOf(const sObject* object) {
  Shape shape;
  float low[5] = {1e30f, 1e30f, 1e30f, 1e30f, 1e30f},
        high[5] = {-1e30f, -1e30f, -1e30f, -1e30f, -1e30f};
  for (const sFrame* frame : Frames(object->rootFrame)) {
    const sMesh* mesh = frame->mesh;
    if (!mesh) continue;
    EXPECT_EQ(4u, mesh->primitiveType) << frame->name;
    const VertexFormat format = FormatFromFvf(mesh->fvf);
    std::vector<std::map<std::string, float>> weights(static_cast<size_t>(mesh->vertexCount));
    for (int32_t b = 0; b < mesh->boneCount; ++b) {
      const sBone& bone = mesh->bones[b];
      for (int32_t k = 0; k < bone.vertexCount; ++k) {
        if (bone.weights[k] > 0) weights.at(bone.vertices[k])[bone.name] += bone.weights[k];
      }
    }
    std::vector<Triangle> triangles(static_cast<size_t>(mesh->indexCount) / 3);
    for (size_t k = 0; k < triangles.size() * 3; ++k) {
      const uint16_t vertex = mesh->indexData[k];
      const uint8_t* at = mesh->vertexData + size_t(vertex) * mesh->vertexSize;
      Corner& corner = triangles[k / 3][k % 3];
      std::memcpy(corner.position, at + format.position.offset, 12);
      if (format.texcoords[0].present()) std::memcpy(corner.uv, at + format.texcoords[0].offset, 8);
      corner.weights = weights[vertex];
      const float values[5] = {corner.position[0], corner.position[1], corner.position[2],
                               corner.uv[0], corner.uv[1]};
      for (int i = 0; i < 5; ++i) {
        low[i] = std::min(low[i], values[i]);
        high[i] = std::max(high[i], values[i]);
      }
    }
    shape.meshes.emplace_back(frame->name, std::move(triangles));
  }
  for (int i = 0; i < 3; ++i) shape.size = std::max(shape.size, high[i] - low[i]);
  shape.uvRange = std::max({high[3] - low[3], high[4] - low[4], 1e-6f});
  return shape;
}

bool Same(const Corner& a, const Corner& b, float positionTolerance, float uvTolerance) {
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(a.position[i] - b.position[i]) > positionTolerance) return false;
  }
  for (int i = 0; i < 2; ++i) {
    if (std::fabs(a.uv[i] - b.uv[i]) > uvTolerance) return false;
  }
  std::map<std::string, float> difference = a.weights;
  for (const auto& [bone, weight] : b.weights) difference[bone] -= weight;
  return std::all_of(difference.begin(), difference.end(),
                     [](const auto& entry) { return std::fabs(entry.second) <= 2e-3f; });
}

// Every triangle of `original` has one of `draco` whose corners match it in the same turning
// order (Draco may start a triangle at another corner, never turn it over).
void ExpectSameShape(const sObject* original, const sObject* draco) {
  const Shape a = ShapeOf(original), b = ShapeOf(draco);
  ASSERT_EQ(a.meshes.size(), b.meshes.size());
  const float positionTolerance = 2e-3f * a.size, uvTolerance = 2e-3f * a.uvRange;
  for (size_t m = 0; m < a.meshes.size(); ++m) {
    const auto& [name, triangles] = a.meshes[m];
    std::vector<Triangle> left = b.meshes[m].second;
    ASSERT_EQ(name, b.meshes[m].first);
    ASSERT_EQ(triangles.size(), left.size()) << name;
    for (size_t t = 0; t < triangles.size(); ++t) {
      const auto match = std::find_if(left.begin(), left.end(), [&](const Triangle& candidate) {
        for (int turn = 0; turn < 3; ++turn) {
          bool all = true;
          for (int c = 0; c < 3 && all; ++c) {
            all = Same(triangles[t][c], candidate[(c + turn) % 3], positionTolerance, uvTolerance);
          }
          if (all) return true;
        }
        return false;
      });
      ASSERT_TRUE(match != left.end()) << name << ": triangle " << t << " has no match";
      left.erase(match);
    }
  }
}

// Keys of `keyBytes` each: the frame number exactly, the values (floats) within float precision.
void ExpectKeysNear(const void* a, const void* b, int32_t count, size_t keyBytes) {
  const uint8_t* x = static_cast<const uint8_t*>(a);
  const uint8_t* y = static_cast<const uint8_t*>(b);
  for (size_t k = 0; k < size_t(count); ++k, x += keyBytes, y += keyBytes) {
    EXPECT_EQ(0, std::memcmp(x, y, 4)) << "key " << k << " frame";
    for (size_t at = 4; at + 4 <= keyBytes; at += 4) {
      float u, v;
      std::memcpy(&u, x + at, 4);
      std::memcpy(&v, y + at, 4);
      EXPECT_NEAR(u, v, 1e-6f * (1.0f + std::fabs(u))) << "key " << k << " byte " << at;
    }
  }
}

// Frames, their transforms and the keys are not Draco's: they must be the original's.
void ExpectSameFramesAndKeys(const sObject* a, const sObject* b) {
  const std::vector<const sFrame*> framesA = Frames(a->rootFrame), framesB = Frames(b->rootFrame);
  ASSERT_EQ(framesA.size(), framesB.size());
  for (size_t f = 0; f < framesA.size(); ++f) {
    EXPECT_STREQ(framesA[f]->name, framesB[f]->name);
    // Within float precision: a pipeline writes the transforms' numbers again (and -0 as 0).
    for (int k = 0; k < 16; ++k) {
      const float x = framesA[f]->localMatrix.m[k / 4][k % 4];
      const float y = framesB[f]->localMatrix.m[k / 4][k % 4];
      EXPECT_NEAR(x, y, 1e-6f * (1.0f + std::fabs(x))) << framesA[f]->name;
    }
  }
  const sAnimationSet *setA = a->animationSet, *setB = b->animationSet;
  for (; setA && setB; setA = setA->next, setB = setB->next) {
    EXPECT_EQ(setA->length, setB->length);
    const sAnimation *trackA = setA->firstTrack, *trackB = setB->firstTrack;
    for (; trackA && trackB; trackA = trackA->next, trackB = trackB->next) {
      EXPECT_STREQ(trackA->name, trackB->name);
      ASSERT_EQ(trackA->rotationKeyCount, trackB->rotationKeyCount);
      ASSERT_EQ(trackA->positionKeyCount, trackB->positionKeyCount);
      ASSERT_EQ(trackA->scaleKeyCount, trackB->scaleKeyCount);
      ExpectKeysNear(trackA->rotationKeys, trackB->rotationKeys, trackA->rotationKeyCount,
                     sizeof(sRotateKey));
      ExpectKeysNear(trackA->positionKeys, trackB->positionKeys, trackA->positionKeyCount,
                     sizeof(sPositionKey));
      ExpectKeysNear(trackA->scaleKeys, trackB->scaleKeys, trackA->scaleKeyCount,
                     sizeof(sScaleKey));
    }
    EXPECT_TRUE(!trackA && !trackB) << "track counts differ";
  }
  EXPECT_TRUE(!setA && !setB) << "animation set counts differ";
}

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
    ExpectSameFramesAndKeys(original.object, draco.object);
    ExpectSameShape(original.object, draco.object);
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

}  // namespace
}  // namespace korva::testing
