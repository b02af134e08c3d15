// The animation set: whole-frame keys, the last key held to the end, per-frame steps, the z mirror,
// and the track chain from the last joint to the first.
#include <cmath>

#include "import/animation_export.h"
#include "model/animation.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

constexpr float kQuarterPi = 0.785398163f;

msJoint JointWithPositionKeys(const std::vector<std::pair<float, float>>& timeAndZ) {
  msJoint joint;
  for (const auto& [time, z] : timeAndZ) joint.positionKeys.push_back({time, {0, 0, z}});
  return joint;
}

struct Track {
  Track() { ConstructAnimation(&track); }
  ~Track() { ReleaseAnimation(&track); }
  sAnimation track;
};

TEST(TrackKeysTest, FramesAreTruncatedAndTheLastKeyHoldsToTheEnd) {
  Track t;
  msJoint joint = JointWithPositionKeys({{0, 0}, {10, 10}, {20, 30}});
  ASSERT_TRUE(import::FillTrackKeys(&t.track, joint, 30));
  ASSERT_EQ(t.track.positionKeyCount, 3);
  ASSERT_EQ(t.track.rotationKeyCount, 3);
  EXPECT_EQ(t.track.positionKeys[0].frame, 0);
  EXPECT_EQ(t.track.positionKeys[1].frame, 10);
  EXPECT_EQ(t.track.positionKeys[2].frame, 30);
  EXPECT_EQ(t.track.rotationKeys[2].frame, 30);
  // z is mirrored, so the step towards the next key is too.
  EXPECT_FLOAT_EQ(t.track.positionKeys[1].position.z, -10.0f);
  EXPECT_FLOAT_EQ(t.track.positionKeys[0].step.z, -1.0f);
  EXPECT_FLOAT_EQ(t.track.positionKeys[1].step.z, -2.0f);
  EXPECT_FLOAT_EQ(t.track.positionKeys[2].step.z, 0.0f);
  // No rotation keys at all: the identity.
  EXPECT_FLOAT_EQ(t.track.rotationKeys[0].rotation.w, 1.0f);
}

TEST(TrackKeysTest, KeysInTheSameWholeFrameStepOverOneFrame) {
  Track t;
  msJoint joint = JointWithPositionKeys({{23.9f, 0}, {24.4f, 1}, {10.2f, 0}, {10.7f, 4}, {50, 0}});
  ASSERT_TRUE(import::FillTrackKeys(&t.track, joint, 60));
  EXPECT_EQ(t.track.positionKeys[0].frame, 23);
  EXPECT_EQ(t.track.positionKeys[1].frame, 24);
  EXPECT_FLOAT_EQ(t.track.positionKeys[0].step.z, -1.0f);
  // 10.2 and 10.7 both fall in frame 10: the whole difference in one step.
  EXPECT_FLOAT_EQ(t.track.positionKeys[2].step.z, -4.0f);
  // A key going back in time also steps over one frame instead of dividing by zero or less.
  EXPECT_FLOAT_EQ(t.track.positionKeys[1].step.z, 1.0f);
}

TEST(TrackKeysTest, SingleKeySitsAtTheEnd) {
  Track t;
  msJoint joint = JointWithPositionKeys({{5, 3}});
  ASSERT_TRUE(import::FillTrackKeys(&t.track, joint, 30));
  ASSERT_EQ(t.track.positionKeyCount, 1);
  EXPECT_EQ(t.track.positionKeys[0].frame, 30);
  EXPECT_FLOAT_EQ(t.track.positionKeys[0].position.z, -3.0f);
  EXPECT_FLOAT_EQ(t.track.positionKeys[0].step.z, 0.0f);
}

TEST(TrackKeysTest, RotationsAreMirroredAndTheLastStandsInForMissingOnes) {
  Track t;
  msJoint joint = JointWithPositionKeys({{0, 0}, {1, 0}, {2, 0}});
  joint.rotationKeys.push_back({0, {0, 0, 2 * kQuarterPi}});
  joint.rotationKeys.push_back({7, {2 * kQuarterPi, 0, 0}});
  ASSERT_TRUE(import::FillTrackKeys(&t.track, joint, 3));
  const D3DXQUATERNION& aboutZ = t.track.rotationKeys[0].rotation;
  EXPECT_NEAR(aboutZ.z, std::sin(kQuarterPi), 1e-6);
  EXPECT_NEAR(aboutZ.w, std::cos(kQuarterPi), 1e-6);
  const D3DXQUATERNION& aboutX = t.track.rotationKeys[1].rotation;
  EXPECT_NEAR(aboutX.x, -std::sin(kQuarterPi), 1e-6);
  EXPECT_NEAR(aboutX.w, std::cos(kQuarterPi), 1e-6);
  EXPECT_EQ(t.track.rotationKeys[1].frame, 1);  // position key times, not the rotation key's
  const D3DXQUATERNION& standIn = t.track.rotationKeys[2].rotation;
  EXPECT_NEAR(standIn.x, aboutX.x, 1e-6);
}

TEST(TrackKeysTest, NoPositionKeysMeansNoKeys) {
  Track t;
  msJoint joint;
  joint.rotationKeys.push_back({0, {1, 0, 0}});
  ASSERT_TRUE(import::FillTrackKeys(&t.track, joint, 30));
  EXPECT_EQ(t.track.positionKeyCount, 0);
  EXPECT_EQ(t.track.rotationKeyCount, 0);
  EXPECT_EQ(t.track.positionKeys, nullptr);
}

TEST(WholeFrameTest, OutOfRangeTimesAreClamped) {
  EXPECT_EQ(import::WholeFrame(-0.5f), 0);
  EXPECT_EQ(import::WholeFrame(1e20f), INT32_MAX);
  EXPECT_EQ(import::WholeFrame(-1e20f), INT32_MIN);
  EXPECT_EQ(import::WholeFrame(std::nanf("")), 0);
}

using ImportAnimationTest = ImportTest;

TEST_F(ImportAnimationTest, TracksRunFromTheLastJointToTheFirst) {
  msModel model;
  model.framesPerSecond = 1.0f;
  model.totalFrames = 30;
  AddVertex(model, 0, 0, 0, 0);
  AddVertex(model, 1, 0, 0, 0);
  AddVertex(model, 0, 1, 0, 0);
  AddGroup(model, "g", {AddTriangle(model, 0, 1, 2)});
  AddJoint(model, "A", "").positionKeys = {{0, {1, 2, 3}}, {10, {1, 2, 5}}};
  AddJoint(model, "B", "A");
  AddJoint(model, "C", "B");
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sAnimationSet* set = object->animationSet;
  ASSERT_NE(set, nullptr);
  EXPECT_STREQ(set->name, "AnimationSet0");
  EXPECT_EQ(set->length, 30);
  EXPECT_EQ(set->next, nullptr);
  const sAnimation* c = set->firstTrack;
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->name, "C");
  EXPECT_STREQ(c->next->name, "B");
  const sAnimation* a = c->next->next;
  EXPECT_STREQ(a->name, "A");
  EXPECT_EQ(a->next, nullptr);
  ASSERT_EQ(a->positionKeyCount, 2);
  EXPECT_FLOAT_EQ(a->positionKeys[0].position.z, -3.0f);
  EXPECT_FLOAT_EQ(a->positionKeys[0].step.z, -0.2f);
  EXPECT_EQ(a->positionKeys[1].frame, 30);
  EXPECT_EQ(c->positionKeyCount, 0);
  EXPECT_EQ(c->scaleKeyCount, 0);
  EXPECT_EQ(c->matrixKeyCount, 0);
}

TEST_F(ImportAnimationTest, ModelWithoutJointsStillHasAnEmptySet) {
  msModel model;
  model.totalFrames = 12;
  AddVertex(model, 0, 0, 0);
  AddVertex(model, 1, 0, 0);
  AddVertex(model, 0, 1, 0);
  AddGroup(model, "g", {AddTriangle(model, 0, 1, 2)});
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  ASSERT_NE(object->animationSet, nullptr);
  EXPECT_STREQ(object->animationSet->name, "AnimationSet0");
  EXPECT_EQ(object->animationSet->length, 12);
  EXPECT_EQ(object->animationSet->firstTrack, nullptr);
}

}  // namespace
}  // namespace korva::testing
