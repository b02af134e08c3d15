// The object commands on a model the import built on the standalone host, driven through the
// exports the way the host's scripts drive them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/exports.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "standalone/standalone_host.h"

namespace korva {
namespace {

constexpr int32_t kObject = 7;
const std::string kModelPath = std::string(KORVA_SHARED_DIR) + "/testdata/ms3d/Model.ms3d";

class CommandsOnImportedModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(kModelPath)) {
      GTEST_SKIP() << "model file absent: " << kModelPath;
    }
    host_.Bind();
    LoadMilkshape(korva::ToHostAddress(kModelPath.c_str()), kObject);
    object_ = host_.GetObject(kObject);
    ASSERT_NE(object_, nullptr) << "the import did not create the object";
    ASSERT_GT(object_->meshCount, 0);
    mesh_ = object_->meshList[0];
    ASSERT_NE(mesh_, nullptr);
  }

  standalone::StandaloneHost host_;
  sObject* object_ = nullptr;
  sMesh* mesh_ = nullptr;
};

TEST_F(CommandsOnImportedModelTest, MaterialColoursRoundTripOnTheGroupMesh) {
  SetLimbDiffuse(kObject, 0, 0x80FF4000u);
  SetLimbSpecular(kObject, 0, 0x10203040u, 20);
  EXPECT_EQ(GetLimbDiffuse(kObject, 0), 0x80FF4000u);
  EXPECT_EQ(GetLimbSpecular(kObject, 0), 0x10203040u);
  EXPECT_EQ(mesh_->material.Power, 20.0f);
  EXPECT_EQ(mesh_->usesOwnMaterial, 1);
  EXPECT_EQ(mesh_->usesMaterialList, 0);
  EXPECT_EQ(GetLimbDiffuse(kObject, object_->meshCount), 0u);
}

TEST_F(CommandsOnImportedModelTest, ColorLimbColoursEveryImportedVertexAndNothingElse) {
  ASSERT_NE(mesh_->vertexData, nullptr);
  ASSERT_EQ(mesh_->vertexSize, 36u);
  ASSERT_GT(mesh_->vertexCount, 0);
  const size_t bytes = size_t{mesh_->vertexSize} * mesh_->vertexCount;
  std::vector<uint8_t> expected(mesh_->vertexData, mesh_->vertexData + bytes);
  const uint32_t colour = 0xCAFE1234u;
  const int32_t colouredCount = std::min(mesh_->drawVertexCount, mesh_->vertexCount);
  for (int32_t i = 0; i < colouredCount; ++i) {
    std::memcpy(&expected[i * 36 + 24], &colour, sizeof colour);
  }
  ColorLimb(kObject, 0, colour);
  EXPECT_EQ(std::vector<uint8_t>(mesh_->vertexData, mesh_->vertexData + bytes), expected);
}

TEST_F(CommandsOnImportedModelTest, QueriesReportTheImportedSkeletonAndAnimation) {
  ASSERT_NE(mesh_->bones, nullptr);
  const int32_t bones = mesh_->boneCount;
  EXPECT_EQ(bones, 9);  // one bone per joint of the model
  for (int32_t i = 0; i < bones; ++i) {
    const HostAddress name = GetBoneName(kObject, i);
    ASSERT_NE(name, 0u);
    EXPECT_STREQ(korva::FromHostAddress<const char>(name), mesh_->bones[i].name);
    EXPECT_EQ(GetNumAssignedVerts(kObject, 0, i),
              static_cast<uint32_t>(mesh_->bones[i].vertexCount));
  }
  EXPECT_EQ(GetBoneName(kObject, bones), 0u);
  EXPECT_EQ(GetNumAssignedVerts(kObject, 0, bones), 104u);
  EXPECT_EQ(GetNumAssignedVerts(kObject, object_->frameCount, 0), 102u);
  EXPECT_EQ(GetNumAssignedVerts(kObject + 1, 0, 0), 101u);

  EXPECT_EQ(GetNumAnimationSets(kObject), 1u);
  EXPECT_EQ(GetNumBones(kObject), 9u);  // one track per joint
  uint32_t position = 0;
  for (const sAnimation* track = object_->animationSet->firstTrack; track; track = track->next) {
    EXPECT_EQ(GetNumMatrixKeys(kObject, static_cast<int32_t>(position)),
              static_cast<uint32_t>(track->matrixKeyCount));
    ++position;
  }
  EXPECT_EQ(GetNumMatrixKeys(kObject, static_cast<int32_t>(position)), position);
}

TEST_F(CommandsOnImportedModelTest, RepairHierarchyRestoresEveryParentLink) {
  // The links a sound tree has: every frame on P's child chain has parent P.
  std::vector<std::pair<sFrame*, sFrame*>> expected;  // frame, parent
  std::vector<sFrame*> pending;
  for (sFrame* frame = object_->rootFrame; frame; frame = frame->nextSibling) {
    pending.push_back(frame);
  }
  const size_t topLevel = pending.size();
  while (!pending.empty()) {
    sFrame* parent = pending.back();
    pending.pop_back();
    for (sFrame* child = parent->firstChild; child; child = child->nextSibling) {
      expected.emplace_back(child, parent);
      pending.push_back(child);
    }
  }
  ASSERT_EQ(expected.size() + topLevel, static_cast<size_t>(object_->frameCount));
  ASSERT_FALSE(expected.empty());

  sFrame* const rootParent = object_->rootFrame->parent;
  for (const auto& link : expected) link.first->parent = nullptr;
  RepairHierarchy(kObject);
  RepairHierarchy(kObject);
  for (const auto& [frame, parent] : expected) EXPECT_EQ(frame->parent, parent) << frame->name;
  EXPECT_EQ(object_->rootFrame->parent, rootParent);
}

}  // namespace
}  // namespace korva
