// What the export writes beyond the picture: keys, skins, index sizes, and `korva export`'s files
// and failures.
#include "gltf/export/gltf_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "cli/korva_runner.h"
#include "gltf/gltf_reading.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/host_heap.h"
#include "platform/d3dx_matrix.h"
#include "render/object_builder.h"

namespace korva::testing {
namespace {
namespace fs = std::filesystem;
using cli_tests::RunKorva;
using cli_tests::ScratchFolder;

tinygltf::Model Export(const sObject& object, std::vector<std::string>* warnings = nullptr,
                       double framesPerSecond = 25.0) {
  gltf::ExportOptions options;
  options.framesPerSecond = framesPerSecond;
  gltf::GltfAsset asset = gltf::BuildGltf(object, options, nullptr);
  if (warnings) *warnings = asset.warnings;
  std::vector<gltf::OutputFile> files;
  std::string error;
  EXPECT_TRUE(gltf::SerializeGltf(&asset, "object.glb", &files, &error)) << error;
  return LoadGlb(files.back().bytes);
}

sMesh* Quad(sObject* object, const char* name) {
  return AttachMesh(AddFrame(object, nullptr, Translation(0, 0, 0), name),
                    QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 1, 1);
}

template <typename Key>
Key* NewKeys(int32_t count) {
  return static_cast<Key*>(HostAllocateZeroed(count, sizeof(Key)));
}

// A key and a frame matrix that describe the same pose must come out as the same glTF pose: the
// matrices are checked against a viewer by the picture tests, so this pins the keys' mirror.
TEST(GltfExport, KeysGiveThePoseOfTheMatrixTheyDescribe) {
  struct Case {
    const char* name;
    D3DXMATRIX (*rotation)(float angle);
    D3DXQUATERNION axis;  // unit axis as x, y, z (w unused)
  };
  const Case cases[] = {
      {"about x",
       [](float a) {
         D3DXMATRIX m;
         return *platform::MatrixRotationX(&m, a);
       },
       {1, 0, 0, 0}},
      {"about y",
       [](float a) {
         D3DXMATRIX m;
         return *platform::MatrixRotationY(&m, a);
       },
       {0, 1, 0, 0}},
      {"about z",
       [](float a) {
         D3DXMATRIX m;
         return *platform::MatrixRotationZ(&m, a);
       },
       {0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    const float angle = 0.8f;
    ObjectHandle object = NewEmptyObject();
    D3DXMATRIX local = c.rotation(angle);
    local.m[3][0] = 1, local.m[3][1] = 2, local.m[3][2] = 3;
    AddFrame(object.get(), nullptr, local, "joint");
    sAnimationSet* set = NewAnimationSet();
    object->animationSet = set;
    sAnimation* track = NewAnimation();
    set->firstTrack = track;
    std::strcpy(track->name, "joint");
    track->positionKeyCount = track->rotationKeyCount = 1;
    track->positionKeys = NewKeys<sPositionKey>(1);
    track->positionKeys[0].position = {1, 2, 3};
    track->rotationKeys = NewKeys<sRotateKey>(1);
    const float s = std::sin(angle / 2);
    track->rotationKeys[0].rotation = {c.axis.x * s, c.axis.y * s, c.axis.z * s,
                                       std::cos(angle / 2)};

    const tinygltf::Model model = Export(*object);
    ASSERT_EQ(model.animations.size(), 1u) << c.name;
    const tinygltf::Node& node = model.nodes.at(0);
    for (const tinygltf::AnimationChannel& channel : model.animations[0].channels) {
      int n = 0;
      const std::vector<float> value =
          ReadAccessor(model, model.animations[0].samplers[channel.sampler].output, &n);
      const std::vector<double>& expected =
          channel.target_path == "rotation" ? node.rotation : node.translation;
      ASSERT_EQ(value.size(), expected.size()) << c.name << " " << channel.target_path;
      // q and -q are the same rotation.
      const double sign = channel.target_path == "rotation" && value[3] * expected[3] < 0 ? -1 : 1;
      for (size_t i = 0; i < value.size(); ++i) {
        EXPECT_NEAR(sign * value[i], expected[i], 1e-5) << c.name << " " << channel.target_path;
      }
    }
  }
}

TEST(GltfExport, KeyTimesAreFramesOverTheRateSortedWithoutRepeats) {
  ObjectHandle object = NewEmptyObject();
  AddFrame(object.get(), nullptr, Translation(0, 0, 0), "joint");
  sAnimationSet* set = NewAnimationSet();
  object->animationSet = set;
  set->firstTrack = NewAnimation();
  std::strcpy(set->firstTrack->name, "joint");
  set->firstTrack->positionKeyCount = 4;
  sPositionKey* keys = set->firstTrack->positionKeys = NewKeys<sPositionKey>(4);
  const int32_t frames[] = {30, 0, 15, 15};
  for (int k = 0; k < 4; ++k) keys[k].frame = frames[k], keys[k].position = {float(k), 0, 0};

  std::vector<std::string> warnings;
  const tinygltf::Model model = Export(*object, &warnings, 30.0);
  const tinygltf::AnimationSampler& sampler = model.animations.at(0).samplers.at(0);
  int n = 0;
  EXPECT_EQ(ReadAccessor(model, sampler.input, &n), (std::vector<float>{0.0f, 0.5f, 1.0f}));
  // Frame 15 keeps its later key (x = 3); positions mirror z only.
  EXPECT_EQ(ReadAccessor(model, sampler.output, &n),
            (std::vector<float>{1, 0, -0.0f, 3, 0, -0.0f, 0, 0, -0.0f}));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("share a frame"), std::string::npos) << warnings[0];
}

TEST(GltfExport, AtMostFourInfluencesPerVertexLargestKeptAndRenormalised) {
  ObjectHandle object = NewEmptyObject();
  const char* names[] = {"a", "b", "c", "d", "e"};
  for (const char* name : names) AddFrame(object.get(), nullptr, Translation(0, 0, 0), name);
  sMesh* mesh = Quad(object.get(), "mesh");
  mesh->bones = NewCountedArray<sBone>(5, ConstructBone);
  mesh->boneCount = 5;
  for (int b = 0; b < 5; ++b) {
    sBone& bone = mesh->bones[b];
    std::strcpy(bone.name, names[b]);
    bone.vertexCount = 1;
    bone.vertices = static_cast<uint32_t*>(HostAllocateZeroed(1, 4));  // vertex 0
    bone.weights = static_cast<float*>(HostAllocateZeroed(1, 4));
    bone.weights[0] = float(b + 1);  // "a" is the smallest and goes
  }
  std::vector<std::string> warnings;
  const tinygltf::Model model = Export(*object, &warnings);
  const tinygltf::Primitive& primitive = model.meshes.at(0).primitives.at(0);
  int n = 0;
  const std::vector<float> joints = ReadAccessor(model, primitive.attributes.at("JOINTS_0"), &n);
  const std::vector<float> weights = ReadAccessor(model, primitive.attributes.at("WEIGHTS_0"), &n);
  const tinygltf::Skin& skin = model.skins.at(0);
  std::vector<std::string> kept;
  float sum = 0;
  for (int k = 0; k < 4; ++k) {
    kept.push_back(model.nodes[skin.joints.at(size_t(joints[k]))].name);
    sum += weights[k];
  }
  EXPECT_EQ(kept, (std::vector<std::string>{"e", "d", "c", "b"}));
  EXPECT_NEAR(sum, 1.0f, 1e-6f);
  EXPECT_NEAR(weights[0], 5.0f / 14.0f, 1e-6f);
  // Vertices no bone moves follow the mesh's own frame.
  EXPECT_EQ(model.nodes[skin.joints.at(size_t(joints[4]))].name, "mesh");
  EXPECT_EQ(weights[4], 1.0f);
  bool warned = false;
  for (const std::string& w : warnings)
    warned |= w.find("1 vertices had more than 4") != std::string::npos;
  EXPECT_TRUE(warned);
}

TEST(GltfExport, IndicesStaySixteenBitUnlessTheyCannot) {
  struct Case {
    const char* name;
    int quads;
    bool indexed;
    int componentType;
  };
  const Case cases[] = {
      {"indexed mesh", 2, true, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT},
      {"small unindexed mesh", 2, false, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT},
      // 11000 quads of 6 corners: corner numbers past 0xFFFF.
      {"large unindexed mesh", 11000, false, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT},
  };
  for (const Case& c : cases) {
    ObjectHandle object = NewEmptyObject();
    std::vector<BuiltVertex> vertices;
    std::vector<uint16_t> indices;
    for (int q = 0; q < c.quads; ++q) {
      const auto quad = QuadFacingPlusZ(float(q), 0, float(q) + 1, 1, 0);
      for (uint16_t i : FrontQuadIndices()) {
        if (c.indexed) {
          indices.push_back(static_cast<uint16_t>(vertices.size() + i));
        } else {
          vertices.push_back(quad[i]);
        }
      }
      if (c.indexed) vertices.insert(vertices.end(), quad.begin(), quad.end());
    }
    sMesh* mesh = AttachMesh(AddFrame(object.get(), nullptr, Translation(0, 0, 0), "m"), vertices,
                             indices, 1, 1, 1);
    mesh->drawPrimitiveCount = c.quads * 2;
    const tinygltf::Model model = Export(*object);
    const tinygltf::Accessor& accessor =
        model.accessors.at(model.meshes.at(0).primitives.at(0).indices);
    EXPECT_EQ(accessor.componentType, c.componentType) << c.name;
    EXPECT_EQ(accessor.count, size_t(c.quads) * 6) << c.name;
  }
}

// `korva export` writes what it says, where it says, or nothing.
TEST(GltfExportCommand, WritesTheFilesOfEachFormatAndNothingOnFailure) {
  ScratchFolder scratch;
  cli_tests::CopyInto(cli_tests::ExamplesFolder() / "crane.ms3d", scratch.path());
  cli_tests::CopyInto(cli_tests::ExamplesFolder() / "crane.bmp", scratch.path());
  fs::create_directory(scratch.path() / "out");
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::vector<std::string> files;  // the entries of "out" afterwards
  };
  const Case cases[] = {
      {{"crane.ms3d", "-o", "out/a.glb"}, 0, {"a.glb"}},
      {{"crane.ms3d", "-o", "out/a.gltf"}, 0, {"a.bin", "a.gltf", "a_crane.png"}},
      {{"crane.ms3d", "crane.ms3d", "-o", "out"}, 2, {}},  // both to out/crane.glb
      {{"crane.ms3d", "-o", "out/a.obj"}, 2, {}},
      {{"missing.ms3d", "-o", "out/a.glb"}, 1, {}},
      {{"crane.bmp", "-o", "out/a.glb"}, 1, {}},
      {{"crane.ms3d", "-o", "nowhere/a.glb"}, 1, {}},
  };
  for (const Case& c : cases) {
    for (const auto& entry : fs::directory_iterator(scratch.path() / "out")) fs::remove(entry);
    std::vector<std::string> arguments = {"export", "-q"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto result = RunKorva(arguments, scratch.path());
    const std::string label = c.arguments[0] + " " + c.arguments.back();
    EXPECT_EQ(result.exitCode, c.exitCode) << label << "\n" << result.err;
    EXPECT_EQ(cli_tests::FolderEntries(scratch.path() / "out"), c.files) << label;
    if (c.exitCode != 0) {
      EXPECT_TRUE(result.out.empty()) << label;
      EXPECT_EQ(cli_tests::Lines(result.err).size(), 1u) << label << "\n" << result.err;
    }
  }
}

}  // namespace
}  // namespace korva::testing
