#include <cstring>
#include <string>

#include "fake_host.h"
#include "host/exports.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"

namespace korva::testing {
namespace {

class BoneQueriesTest : public CommandsTest {
 protected:
  // Gives limb `limb` of the object bones with the given names and vertex counts.
  static void GiveBones(sObject* object, int32_t limb,
                        const std::vector<std::pair<std::string, int32_t>>& bones) {
    sMesh* mesh = object->frameList[limb]->mesh;
    mesh->bones = NewCountedArray<sBone>(static_cast<uint32_t>(bones.size()), &ConstructBone);
    mesh->boneCount = static_cast<int32_t>(bones.size());
    for (size_t i = 0; i < bones.size(); ++i) {
      std::strcpy(mesh->bones[i].name, bones[i].first.c_str());
      mesh->bones[i].vertexCount = bones[i].second;
    }
  }

  // Gives the object a first set with tracks of these matrix key counts, then `extraSets` empty
  // sets.
  static void GiveAnimation(sObject* object, const std::vector<int32_t>& matrixKeys,
                            int extraSets = 0) {
    object->animationSet = NewAnimationSet();
    sAnimation** link = &object->animationSet->firstTrack;
    for (int32_t keys : matrixKeys) {
      *link = NewAnimation();
      (*link)->matrixKeyCount = keys;  // counts only: no key arrays are needed to count
      link = &(*link)->next;
    }
    sAnimationSet* last = object->animationSet;
    for (int i = 0; i < extraSets; ++i) last = last->next = NewAnimationSet();
  }

  static std::string Text(HostAddress address) { return FromHostAddress<const char>(address); }
};

TEST_F(BoneQueriesTest, BoneNameIsANewClearedHostBlockPerCall) {
  sObject* object = AddObject(1, 2);
  GiveBones(object, 0, {{"Arm", 3}, {"", 0}, {std::string(255, 'x'), 1}});

  const HostAddress first = GetBoneName(1, 0);
  const HostAddress again = GetBoneName(1, 0);
  ASSERT_EQ(returnStrings().size(), 2u);
  EXPECT_NE(first, again);
  EXPECT_EQ(returnStrings()[0].size, 4u);
  EXPECT_EQ(std::memcmp(returnStrings()[0].block, "Arm", 4), 0);
  EXPECT_EQ(Text(again), "Arm");

  const HostAddress empty = GetBoneName(1, 1);
  EXPECT_EQ(returnStrings().back().size, 1u);
  EXPECT_EQ(Text(empty), "");

  EXPECT_EQ(Text(GetBoneName(1, 2)), std::string(255, 'x'));
  EXPECT_EQ(returnStrings().back().size, 256u);
}

TEST_F(BoneQueriesTest, BoneNameWithoutTerminatorIsCutToAProperName) {
  sObject* object = AddObject(1, 1);
  GiveBones(object, 0, {{"", 0}});
  std::memset(object->frameList[0]->mesh->bones[0].name, 'y', 256);
  EXPECT_EQ(Text(GetBoneName(1, 0)), std::string(255, 'y'));
}

TEST_F(BoneQueriesTest, BoneNameOfAnUnreachableBoneIsZeroAndAsksForNoBlock) {
  sObject* object = AddObject(1, 2);
  AddObject(2, 1);                     // no bones
  GiveBones(object, 1, {{"Leg", 1}});  // bones of limb 1 only: the name comes from limb 0
  EXPECT_EQ(GetBoneName(1, 0), 0u);
  EXPECT_EQ(GetBoneName(2, 0), 0u);
  EXPECT_EQ(GetBoneName(3, 0), 0u);

  GiveBones(object, 0, {{"Hip", 1}});
  EXPECT_EQ(GetBoneName(1, -1), 0u);
  EXPECT_EQ(GetBoneName(1, 1), 0u);
  object->frameList[0]->mesh->boneCount = 0;
  EXPECT_EQ(GetBoneName(1, 0), 0u);
  object->frameCount = 0;
  EXPECT_EQ(GetBoneName(1, 0), 0u);
  EXPECT_TRUE(returnStrings().empty());

  object->frameCount = 2;
  object->frameList[0]->mesh->boneCount = 1;
  g_plugin.coreData->AllocateReturnString = nullptr;
  EXPECT_EQ(GetBoneName(1, 0), 0u);
}

TEST_F(BoneQueriesTest, AssignedVertsCountsOrNamesTheMissingRecord) {
  sObject* object = AddObject(1, 4);
  GiveBones(object, 1, {{"A", 5}, {"B", 101}});
  DeleteMesh(object->frameList[2]->mesh);
  object->frameList[2]->mesh = object->meshList[2] = nullptr;
  object->frameList[3] = nullptr;

  EXPECT_EQ(GetNumAssignedVerts(1, 1, 0), 5u);
  EXPECT_EQ(GetNumAssignedVerts(1, 1, 1), 101u);  // a true count may look like an error value
  EXPECT_EQ(GetNumAssignedVerts(9, 1, 0), 101u);
  EXPECT_EQ(GetNumAssignedVerts(1, 3, 0), 102u);  // empty entry
  EXPECT_EQ(GetNumAssignedVerts(1, 4, 0), 102u);  // past the frame list
  EXPECT_EQ(GetNumAssignedVerts(1, -1, 0), 102u);
  EXPECT_EQ(GetNumAssignedVerts(1, 2, 0), 103u);
  EXPECT_EQ(GetNumAssignedVerts(1, 0, 0), 104u);
  EXPECT_EQ(GetNumAssignedVerts(1, 1, 2), 104u);  // past the bone array
  EXPECT_EQ(GetNumAssignedVerts(1, 1, -1), 104u);
}

TEST_F(BoneQueriesTest, TrackAndSetCountsAndMatrixKeysByTrack) {
  sObject* object = AddObject(1, 1);
  GiveAnimation(object, {5, 0, 7}, 2);
  EXPECT_EQ(GetNumBones(1), 3u);
  EXPECT_EQ(GetNumAnimationSets(1), 3u);  // empty sets count too
  EXPECT_EQ(GetNumMatrixKeys(1, 0), 5u);
  EXPECT_EQ(GetNumMatrixKeys(1, 1), 0u);
  EXPECT_EQ(GetNumMatrixKeys(1, 2), 7u);
  for (int32_t track : {3, 10, -1, INT32_MIN}) EXPECT_EQ(GetNumMatrixKeys(1, track), 3u);
}

TEST_F(BoneQueriesTest, AnimationQueriesWithoutSetsOrTracksOrObjectAreZero) {
  sObject* object = AddObject(1, 1);
  EXPECT_EQ(GetNumBones(1), 0u);
  EXPECT_EQ(GetNumAnimationSets(1), 0u);
  EXPECT_EQ(GetNumMatrixKeys(1, 0), 0u);

  GiveAnimation(object, {});
  EXPECT_EQ(GetNumBones(1), 0u);
  EXPECT_EQ(GetNumAnimationSets(1), 1u);
  EXPECT_EQ(GetNumMatrixKeys(1, 0), 0u);

  EXPECT_EQ(GetNumBones(2), 0u);
  EXPECT_EQ(GetNumAnimationSets(2), 0u);
  EXPECT_EQ(GetNumMatrixKeys(2, 0), 0u);
}

}  // namespace
}  // namespace korva::testing
