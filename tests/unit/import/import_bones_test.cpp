// Bones in the group meshes: every mesh gets all joints in joint order, each listing only its own
// vertices that the joint moves, as that mesh's vertex numbers.
#include <algorithm>
#include <cmath>

#include "import/bone_binding.h"
#include "import/joint_frames.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

D3DXMATRIX Concat(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX out{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      for (int k = 0; k < 4; ++k) out.m[r][c] += a.m[r][k] * b.m[k][c];
    }
  }
  return out;
}

// A frame's local matrix combined with its parents' up to the root.
D3DXMATRIX Combined(const sFrame* frame) {
  D3DXMATRIX out = frame->localMatrix;
  for (const sFrame* up = frame->parent; up; up = up->parent) out = Concat(out, up->localMatrix);
  return out;
}

std::vector<uint32_t> BoneVertices(const sBone& bone) {
  return std::vector<uint32_t>(bone.vertices, bone.vertices + bone.vertexCount);
}

using ImportBonesTest = ImportTest;

TEST_F(ImportBonesTest, EachMeshListsItsOwnVerticesPerJoint) {
  msModel model;
  // Group "near" uses vertices 0..3, group "far" vertices 4..7 (it does not start at 0).
  const int8_t boneIds[8] = {0, 1, 0, -1, 1, 1, 2, 7};
  for (int i = 0; i < 8; ++i) AddVertex(model, static_cast<float>(i), 0, 0, boneIds[i]);
  AddGroup(model, "near", {AddTriangle(model, 0, 1, 2), AddTriangle(model, 1, 2, 3)});
  AddGroup(model, "far", {AddTriangle(model, 4, 5, 6), AddTriangle(model, 5, 6, 7)});
  AddJoint(model, "hip", "");
  AddJoint(model, "knee", "hip", 0, 0, 1.57079632679f);
  AddJoint(model, "foot", "knee");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);

  const sMesh* nearMesh = object->meshList[0];
  const sMesh* farMesh = object->meshList[1];
  for (const sMesh* mesh : {nearMesh, farMesh}) {
    ASSERT_EQ(mesh->boneCount, 3);
    EXPECT_STREQ(mesh->bones[0].name, "hip");
    EXPECT_STREQ(mesh->bones[1].name, "knee");
    EXPECT_STREQ(mesh->bones[2].name, "foot");
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < mesh->bones[j].vertexCount; ++k) {
        EXPECT_LT(mesh->bones[j].vertices[k], static_cast<uint32_t>(mesh->vertexCount));
        EXPECT_FLOAT_EQ(mesh->bones[j].weights[k], 1.0f);
      }
    }
  }
  // At rest a bone's offset and its frame's combined matrix together put a mesh vertex where its
  // own frame does. The knee turns and the groups have centres of their own, so this fails when
  // either is left out.
  for (int limb = 0; limb < 2; ++limb) {
    const sMesh* mesh = object->meshList[limb];
    const D3DXMATRIX& group = Limb(object, limb)->localMatrix;
    for (int j = 0; j < 3; ++j) {
      const D3DXMATRIX skin = Concat(mesh->bones[j].offsetMatrix, Combined(Limb(object, 2 + j)));
      for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(skin.m[r][c], group.m[r][c], 1e-5) << j;
      }
    }
  }
  EXPECT_EQ(BoneVertices(nearMesh->bones[0]), (std::vector<uint32_t>{0, 2}));
  EXPECT_EQ(BoneVertices(nearMesh->bones[1]), (std::vector<uint32_t>{1}));
  EXPECT_EQ(nearMesh->bones[2].vertexCount, 0);
  EXPECT_EQ(nearMesh->bones[2].vertices, nullptr);
  EXPECT_EQ(farMesh->bones[0].vertexCount, 0);
  EXPECT_EQ(BoneVertices(farMesh->bones[1]), (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(BoneVertices(farMesh->bones[2]), (std::vector<uint32_t>{2}));

  // The notice still counts each joint's vertices over the whole model; boneId 7 is nobody's.
  const auto info = NoticeTexts(host_, "Info");
  const std::vector<std::string> expected = {"Bone Number 0\r\nNumber of Assigned Verticies 2",
                                             "Bone Number 1\r\nNumber of Assigned Verticies 3",
                                             "Bone Number 2\r\nNumber of Assigned Verticies 1"};
  auto first = std::find(info.begin(), info.end(), expected[0]);
  ASSERT_NE(first, info.end());
  EXPECT_EQ(std::vector<std::string>(first, first + 3), expected);

  // Joint frames get no bones.
  for (int limb = 2; limb < 5; ++limb) EXPECT_EQ(object->meshList[limb]->boneCount, 0);
}

TEST(JointRestMatricesTest, ParentsListedAfterTheirChildrenStillCombineFromTheRoot) {
  msModel model;
  AddJoint(model, "tip", "mid", 0, 0, 0, 0, 0, 1);
  AddJoint(model, "mid", "base", 0, 0, 1.57079632679f, 0, 2, 0);
  AddJoint(model, "base", "", 0, 0, 0, 3, 0, 0);
  model.BuildBindPose();
  const std::vector<D3DXMATRIX> rest =
      import::JointRestMatrices(model, import::LinkableParents(model));
  // tip: (0, 0, 1) in mid's frame; mid turns a quarter about z, sits at (0, 2, 0) on base at
  // (3, 0, 0); mirrored in x.
  const float expected[3][3] = {{-3, 2, 1}, {-3, 2, 0}, {-3, 0, 0}};
  for (int j = 0; j < 3; ++j) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rest[j].m[3][c], expected[j][c], 1e-6) << j;
  }
  EXPECT_NEAR(rest[0].m[0][1], -1, 1e-6);  // x turned to y, then mirrored
}

}  // namespace
}  // namespace korva::testing
