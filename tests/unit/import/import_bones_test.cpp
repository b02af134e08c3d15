// Bones in the group meshes: every mesh gets all joints in joint order, each listing only its own
// vertices that the joint moves, as that mesh's vertex numbers.
#include <algorithm>
#include <cmath>

#include "import/bone_binding.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

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
    // Offset matrices are the joints' own rotations, the same in every mesh: (1,0,0) -> (0,1,0).
    EXPECT_NEAR(mesh->bones[1].offsetMatrix.m[0][1], 1.0f, 1e-6);
    EXPECT_NEAR(mesh->bones[1].offsetMatrix.m[3][3], 1.0f, 1e-6);
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

TEST(JointOffsetMatrixTest, NegatesOnlyXAndY) {
  msJoint joint;
  joint.rotation[0] = 1.57079632679f;  // applied as -pi/2 about X: (0,1,0) -> (0,0,-1)
  const D3DXMATRIX m = import::JointOffsetMatrix(joint);
  EXPECT_NEAR(m.m[1][2], -1.0f, 1e-6);
  EXPECT_NEAR(m.m[1][1], 0.0f, 1e-6);
  joint.rotation[0] = 0;
  joint.rotation[2] = 1.57079632679f;  // as stored: (1,0,0) -> (0,1,0)
  EXPECT_NEAR(import::JointOffsetMatrix(joint).m[0][1], 1.0f, 1e-6);
}

}  // namespace
}  // namespace korva::testing
