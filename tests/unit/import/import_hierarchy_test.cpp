// The frame tree the import builds: group frames on top, joint frames linked after their parents,
// every root joint kept in the tree, and the joint frames' matrices and angles.
#include <algorithm>
#include <cmath>

#include "import/joint_frames.h"
#include "support/angles.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

// One triangle per group on its own vertices.
msModel GroupsModel(int groups) {
  msModel model;
  for (int g = 0; g < groups; ++g) {
    for (int k = 0; k < 3; ++k)
      AddVertex(model, static_cast<float>(k), static_cast<float>(g), 0, 0);
    const auto base = static_cast<uint16_t>(3 * g);
    AddGroup(model, "group" + std::to_string(g),
             {AddTriangle(model, base, static_cast<uint16_t>(base + 1),
                          static_cast<uint16_t>(base + 2))});
  }
  return model;
}

std::string Name(const sFrame* frame) {
  return frame ? std::string(frame->name) : std::string("<null>");
}

// Point p as a row vector through a host matrix.
void Transform(const D3DXMATRIX& m, const float p[3], float out[3]) {
  for (int c = 0; c < 3; ++c) {
    out[c] = p[0] * m.m[0][c] + p[1] * m.m[1][c] + p[2] * m.m[2][c] + m.m[3][c];
  }
}

using ImportHierarchyTest = ImportTest;

TEST_F(ImportHierarchyTest, TwoGroupsAndThreeJointsFormOneTree) {
  msModel model = GroupsModel(2);
  AddJoint(model, "root", "");
  AddJoint(model, "left", "root");
  AddJoint(model, "right", "root");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);

  sFrame* group0 = object->rootFrame;
  ASSERT_NE(group0, nullptr);
  EXPECT_EQ(Name(group0), "group0");
  sFrame* group1 = group0->nextSibling;
  EXPECT_EQ(Name(group1), "group1");
  sFrame* root = group1->nextSibling;
  EXPECT_EQ(Name(root), "root");
  EXPECT_EQ(root->nextSibling, nullptr);
  EXPECT_EQ(root->parent, nullptr);
  EXPECT_EQ(group0->firstChild, nullptr);
  EXPECT_EQ(group1->firstChild, nullptr);

  sFrame* left = root->firstChild;
  EXPECT_EQ(Name(left), "left");
  sFrame* right = left->nextSibling;
  EXPECT_EQ(Name(right), "right");
  EXPECT_EQ(left->parent, root);
  EXPECT_EQ(right->parent, root);
  EXPECT_EQ(right->nextSibling, nullptr);

  // Joint frames carry no mesh, and the meshes they had draw nothing.
  for (sFrame* joint : {root, left, right}) EXPECT_EQ(joint->mesh, nullptr);
  ASSERT_EQ(object->meshCount, 5);
  for (int limb = 2; limb < 5; ++limb) {
    EXPECT_EQ(object->meshList[limb]->drawVertexCount, 0);
    EXPECT_EQ(object->meshList[limb]->drawPrimitiveCount, 0);
  }
  EXPECT_EQ(NoticeTexts(host_, "Info").front(), "Missing Parent Bone for Bone 0");
}

TEST_F(ImportHierarchyTest, EverySecondRootJointFollowsTheFirstAtTheTopLevel) {
  msModel model = GroupsModel(1);
  AddJoint(model, "a", "");
  AddJoint(model, "b", "");
  AddJoint(model, "b_child", "b");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  sFrame* a = object->rootFrame->nextSibling;
  EXPECT_EQ(Name(a), "a");
  sFrame* b = a->nextSibling;
  EXPECT_EQ(Name(b), "b");
  EXPECT_EQ(b->nextSibling, nullptr);
  EXPECT_EQ(Name(b->firstChild), "b_child");

  const auto info = NoticeTexts(host_, "Info");
  EXPECT_EQ(std::count(info.begin(), info.end(), "Missing Parent Bone for Bone 0"), 1);
  EXPECT_EQ(std::count(info.begin(), info.end(), "Missing Parent Bone for Bone 1"), 1);
  EXPECT_EQ(std::count(info.begin(), info.end(), "Missing Parent Bone for Bone 2"), 0);
}

TEST_F(ImportHierarchyTest, FirstJointWithAParentHangsOnlyUnderThatParent) {
  msModel model = GroupsModel(1);
  AddJoint(model, "child", "top");
  AddJoint(model, "top", "");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  sFrame* top = object->rootFrame->nextSibling;
  EXPECT_EQ(Name(top), "top");
  EXPECT_EQ(top->nextSibling, nullptr);
  EXPECT_EQ(Name(top->firstChild), "child");
  EXPECT_EQ(top->firstChild->nextSibling, nullptr);
}

TEST_F(ImportHierarchyTest, ModelWithoutJointsHasOnlyGroupFrames) {
  sObject* object = ImportModel(GroupsModel(2));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->frameCount, 2);
  EXPECT_EQ(object->rootFrame->nextSibling->nextSibling, nullptr);
  for (int limb = 0; limb < 2; ++limb) {
    EXPECT_EQ(object->meshList[limb]->boneCount, 0);
    EXPECT_EQ(object->meshList[limb]->bones, nullptr);
  }
  for (const std::string& text : NoticeTexts(host_, "Info")) {
    EXPECT_EQ(text.find("Bone"), std::string::npos) << text;
  }
}

TEST_F(ImportHierarchyTest, WithoutGroupsTheFirstRootJointIsTheRootFrame) {
  msModel model;
  AddJoint(model, "child", "top");
  AddJoint(model, "top", "");
  AddJoint(model, "other", "");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(Name(object->rootFrame), "top");
  EXPECT_EQ(Name(object->rootFrame->firstChild), "child");
  EXPECT_EQ(Name(object->rootFrame->nextSibling), "other");
  EXPECT_EQ(object->rootFrame->nextSibling->nextSibling, nullptr);
}

TEST_F(ImportHierarchyTest, ParentCyclesAreBrokenIntoRoots) {
  msModel model = GroupsModel(1);
  AddJoint(model, "self", "self");
  AddJoint(model, "x", "y");
  AddJoint(model, "y", "x");
  AddJoint(model, "below", "x");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  sFrame* self = object->rootFrame->nextSibling;
  EXPECT_EQ(Name(self), "self");
  EXPECT_EQ(self->firstChild, nullptr);
  sFrame* x = self->nextSibling;
  EXPECT_EQ(Name(x), "x");
  EXPECT_EQ(Name(x->firstChild), "below");
  EXPECT_EQ(Name(x->nextSibling), "y");
  EXPECT_EQ(x->nextSibling->nextSibling, nullptr);
  EXPECT_EQ(x->nextSibling->firstChild, nullptr);
  const auto info = NoticeTexts(host_, "Info");
  for (int j : {0, 1, 2}) {
    EXPECT_EQ(
        std::count(info.begin(), info.end(), "Missing Parent Bone for Bone " + std::to_string(j)),
        1);
  }
  EXPECT_EQ(std::count(info.begin(), info.end(), "Missing Parent Bone for Bone 3"), 0);
}

TEST(LinkableParentsTest, KeepsValidChainsAndDropsCyclesAndBadIndices) {
  msModel model;
  for (int j = 0; j < 6; ++j) AddJoint(model, "j" + std::to_string(j), "");
  const int32_t parents[6] = {-1, 0, 3, 2, 2, 99};  // 2 <-> 3 cycle, 4 below it, 5 out of range
  for (int j = 0; j < 6; ++j) model.joints[j].parentIndex = parents[j];
  EXPECT_EQ(import::LinkableParents(model), (std::vector<int32_t>{-1, 0, -1, -1, 2, -1}));
}

TEST_F(ImportHierarchyTest, JointFrameMatricesAreTheRestTransformsMirroredInX) {
  msModel model = GroupsModel(1);
  AddJoint(model, "turnZ", "", 0, 0, kHalfPi, 1, 2, 3);
  AddJoint(model, "turnX", "", kHalfPi, 0, 0, 0, 0, 0);
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  sFrame* turnZ = object->rootFrame->nextSibling;
  sFrame* turnX = turnZ->nextSibling;

  // In the model x turns to y about z; mirrored, -x turns to y, so x turns to -y. Then the
  // position (1, 2, 3) mirrored.
  float out[3];
  const float unitX[3] = {1, 0, 0};
  Transform(turnZ->localMatrix, unitX, out);
  EXPECT_NEAR(out[0], -1, 1e-5);
  EXPECT_NEAR(out[1], 1, 1e-5);
  EXPECT_NEAR(out[2], 3, 1e-5);
  // A turn about x is its own mirror: y turns to z.
  const float unitY[3] = {0, 1, 0};
  Transform(turnX->localMatrix, unitY, out);
  EXPECT_NEAR(out[0], 0, 1e-5);
  EXPECT_NEAR(out[1], 0, 1e-5);
  EXPECT_NEAR(out[2], 1, 1e-5);

  EXPECT_FLOAT_EQ(turnZ->rotation.z, kHalfPi);
  EXPECT_FLOAT_EQ(turnX->rotation.x, kHalfPi);
  EXPECT_FLOAT_EQ(turnZ->offset.x, 0);
  EXPECT_FLOAT_EQ(turnZ->offset.z, 0);
}

}  // namespace
}  // namespace korva::testing
