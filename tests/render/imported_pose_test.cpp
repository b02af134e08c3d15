// The imported object plays as the model plays: its joint frames, bone offsets and keys, played as
// the host plays them, put every joint and every skinned vertex where the model's own evaluation
// puts them, mirrored in x, at rest and at every key frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/exports.h"
#include "model/mesh.h"
#include "render/pose_comparison.h"
#include "standalone/standalone_host.h"
#include "support/ms3d_writer.h"

namespace korva::testing {
namespace {

constexpr double kTolerance = 1e-4;  // of the model's size

class ImportedPoseTest : public ::testing::Test {
 protected:
  ImportedPoseTest() { host_.Bind(); }

  sObject* ImportPath(const std::string& path, int32_t number = 1) {
    LoadMilkshape(korva::ToHostAddress(path.c_str()), number);
    return host_.GetObject(number);
  }

  standalone::StandaloneHost host_;
};

msJoint& AddJoint(msModel& model, const char* name, const char* parent,
                  std::array<float, 3> rotation, std::array<float, 3> position) {
  msJoint& joint = model.joints.emplace_back();
  SetName(joint.name, name);
  SetName(joint.parentName, parent);
  std::memcpy(joint.rotation, rotation.data(), sizeof joint.rotation);
  std::memcpy(joint.position, position.data(), sizeof joint.position);
  return joint;
}

// A triangle whose corner normals are its face normal in the model's winding.
uint16_t AddFacingTriangle(msModel& model, uint16_t a, uint16_t b, uint16_t c) {
  msTriangle triangle;
  const float* p[3] = {model.vertices[a].position, model.vertices[b].position,
                       model.vertices[c].position};
  const float u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
  const float v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                      u[0] * v[1] - u[1] * v[0]};
  const uint16_t corners[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    triangle.vertexIndices[k] = corners[k];
    std::memcpy(triangle.vertexNormals[k], n, sizeof n);
  }
  model.triangles.push_back(triangle);
  return static_cast<uint16_t>(model.triangles.size() - 1);
}

// A bent arm of three joints, each turned about all three axes at rest, in two groups with centres
// of their own. Rotation and position keys differ in count and time; key times are stored in
// seconds at 30 fps, so some read back just short of their frame, and one lies between frames.
std::string BentArmFile(const char* upperName = "upper", const char* lowerName = "lower") {
  Ms3dContent content;
  msModel& model = content.model;
  model.framesPerSecond = 30.0f;
  model.totalFrames = 80;
  const float fps = 30.0f;
  msJoint& root = AddJoint(model, "root", "", {0.3f, -0.2f, 0.5f}, {1, 2, -0.5f});
  root.rotationKeys = {{0, {0, 0, 0}}, {10 / fps, {0.4f, 0.1f, -0.3f}}, {63 / fps, {0, 0.7f, 0}}};
  root.positionKeys = {{0, {0, 0, 0}}, {15 / fps, {0.5f, -1, 0.25f}}};
  msJoint& arm = AddJoint(model, "arm", "root", {0, 0.4f, -1.0f}, {2, 0, 0.3f});
  arm.rotationKeys = {{5.5f / fps, {0, 0, 1.2f}}, {40 / fps, {-0.5f, 0.3f, 0.2f}}};
  msJoint& hand = AddJoint(model, "hand", "arm", {0.2f, 0, 0}, {1.5f, 0.2f, 0});
  hand.positionKeys = {{20 / fps, {0, 0, 0}}, {50 / fps, {0.3f, 0.3f, 0}}, {70 / fps, {0, 1, 0}}};
  const float points[9][3] = {{0, 0, 0}, {2, 0.5f, 0}, {1, 2, 1},    {3, 1, -1}, {4, 0, 0.5f},
                              {3, 2, 0}, {5, 1, 1},    {6, 0.5f, 0}, {5, 3, -1}};
  const int8_t joints[9] = {0, 0, 1, 1, 1, 2, 2, 2, -1};
  for (int k = 0; k < 9; ++k) AddVertex(model, points[k][0], points[k][1], points[k][2], joints[k]);
  msGroup upper, lower;
  SetName(upper.name, upperName);
  SetName(lower.name, lowerName);
  // No vertex is shared, so each takes the normal of its own triangle.
  upper.triangleIndices = {AddFacingTriangle(model, 0, 1, 2), AddFacingTriangle(model, 3, 4, 5)};
  lower.triangleIndices = {AddFacingTriangle(model, 6, 7, 8)};
  upper.materialIndex = lower.materialIndex = -1;
  model.groups = {upper, lower};
  return WriteMs3dFile(content, std::string("bent_arm_") + upperName + ".ms3d");
}

TEST_F(ImportedPoseTest, BentArmMatchesTheModelAtRestAndAtEveryKeyFrame) {
  const std::string path = BentArmFile();
  const sObject* object = ImportPath(path);
  ASSERT_NE(object, nullptr);
  const PoseDifference rest = ComparePlaybacks(*object, path, -1.0f);
  EXPECT_LT(rest.joints, kTolerance);
  EXPECT_LT(rest.vertices, kTolerance);
  // Key frames of the whole model: 0, 5 (5.5 truncated), 10, 15, 20, 40, 50, 63 (62.999996),
  // 70 and the end, 80.
  const std::vector<int> frames = ImportedKeyFrames(*object);
  EXPECT_EQ(frames, (std::vector<int>{0, 5, 10, 15, 20, 40, 50, 63, 70, 80}));
  for (int frame : frames) {
    const PoseDifference posed = ComparePlaybacks(*object, path, static_cast<float>(frame));
    EXPECT_LT(posed.joints, kTolerance) << frame;
    EXPECT_LT(posed.vertices, kTolerance) << frame;
  }
}

// Groups named as joints: bones and tracks bind by name, so they must still find the joints'
// frames.
TEST_F(ImportedPoseTest, GroupsNamedAsJointsLeaveTheBonesToTheJoints) {
  const std::string path = BentArmFile("arm", "hand");
  const sObject* object = ImportPath(path);
  ASSERT_NE(object, nullptr);
  std::vector<float> frames = {-1.0f};  // at rest
  for (int frame : ImportedKeyFrames(*object)) frames.push_back(static_cast<float>(frame));
  for (float frame : frames) {
    const PoseDifference posed = ComparePlaybacks(*object, path, frame);
    EXPECT_LT(posed.joints, kTolerance) << frame;
    EXPECT_LT(posed.vertices, kTolerance) << frame;
  }
}

TEST_F(ImportedPoseTest, NormalsAgreeWithTheHostsWinding) {
  const sObject* object = ImportPath(BentArmFile());
  ASSERT_NE(object, nullptr);
  for (int limb = 0; limb < 2; ++limb) {
    const sMesh* mesh = object->meshList[limb];
    const auto field = [&](int vertex, int offset) {
      float value[3];
      std::memcpy(value, mesh->vertexData + vertex * mesh->vertexSize + offset, sizeof value);
      return std::array<float, 3>{value[0], value[1], value[2]};
    };
    for (int j = 0; j + 2 < mesh->indexCount; j += 3) {
      const auto a = field(mesh->indexData[j], 0), b = field(mesh->indexData[j + 1], 0),
                 c = field(mesh->indexData[j + 2], 0);
      const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
      const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
      const float face[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
      for (int k = 0; k < 3; ++k) {
        const auto n = field(mesh->indexData[j + k], 12);
        EXPECT_GT(face[0] * n[0] + face[1] * n[1] + face[2] * n[2], 0.0f) << limb << " " << j;
      }
    }
  }
}

// The shared real models: the bound at rest and at key frames, and the figures between key frames
// (the host's straight line against the model's curve) for the record.
TEST_F(ImportedPoseTest, RealModelsMatchAtKeyFrames) {
  int32_t number = 0;
  for (const char* name : {"Dophi.ms3d", "Model.ms3d"}) {
    const std::string path = std::string(KORVA_SHARED_DIR) + "/testdata/ms3d/" + name;
    const sObject* object = ImportPath(path, ++number);
    if (!object) continue;  // the shared data is not beside this checkout
    const PoseDifference rest = ComparePlaybacks(*object, path, -1.0f);
    EXPECT_LT(rest.joints, kTolerance) << name;
    EXPECT_LT(rest.vertices, kTolerance) << name;
    PoseDifference atKeys, between;
    const std::vector<int> frames = ImportedKeyFrames(*object);
    for (size_t k = 0; k < frames.size(); ++k) {
      const PoseDifference d = ComparePlaybacks(*object, path, static_cast<float>(frames[k]));
      atKeys.joints = std::max(atKeys.joints, d.joints);
      atKeys.vertices = std::max(atKeys.vertices, d.vertices);
      if (k + 1 == frames.size()) break;
      for (float t : {0.25f, 0.5f, 0.75f}) {
        const float frame = static_cast<float>(frames[k]) + t * (frames[k + 1] - frames[k]);
        const PoseDifference m = ComparePlaybacks(*object, path, frame);
        between.joints = std::max(between.joints, m.joints);
        between.vertices = std::max(between.vertices, m.vertices);
      }
    }
    EXPECT_LT(atKeys.joints, kTolerance) << name;
    EXPECT_LT(atKeys.vertices, kTolerance) << name;
    std::printf(
        "%s: %zu key frames; at rest %.2g / %.2g, at key frames %.2g / %.2g, between "
        "%.2g / %.2g (joints / vertices, of the model's size)\n",
        name, frames.size(), rest.joints, rest.vertices, atKeys.joints, atKeys.vertices,
        between.joints, between.vertices);
  }
}

}  // namespace
}  // namespace korva::testing
