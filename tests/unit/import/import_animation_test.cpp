// The animation set: keys at every key frame of the model holding the joints' posed local
// transforms mirrored in x, steps toward the next key, the last pose held to the end, and the
// track chain from the last joint to the first.
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "import/animation_export.h"
#include "import/host_space.h"
#include "model/animation.h"
#include "ms3d/skeleton_math.h"
#include "support/angles.h"
#include "support/same_bits.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

struct Track {
  Track() { ConstructAnimation(&track); }
  ~Track() { ReleaseAnimation(&track); }
  sAnimation track;
};

import::HostKey KeyAt(int32_t frame, float z,
                      D3DXQUATERNION rotation = {0, 0, 0, 1}){return {frame, {0, 0, z}, rotation};
}  // namespace

import::HostKeys Grouped(std::initializer_list<import::HostKey> keys){
    return import::GroupedKeys(keys);
}  // namespace korva::testing

// v turned by the host's rotation of q.
D3DXVECTOR3 Turned(const D3DXQUATERNION& q, const D3DXVECTOR3& v) {
  Matrix34 r;
  QuaternionToRotation({q.x, q.y, q.z, q.w}, r);
  return {r.m[0][0] * v.x + r.m[0][1] * v.y + r.m[0][2] * v.z,
          r.m[1][0] * v.x + r.m[1][1] * v.y + r.m[1][2] * v.z,
          r.m[2][0] * v.x + r.m[2][1] * v.y + r.m[2][2] * v.z};
}

TEST(TrackKeysTest, StepsRunTowardTheNextKeyAndAKeyAtTheEndHoldsTheLastPose) {
  Track t;
  const D3DXQUATERNION turn = {0.6f, 0, 0, 0.8f};
  ASSERT_TRUE(import::FillTrackKeys(
      &t.track, Grouped({KeyAt(0, 0), KeyAt(10, 10), KeyAt(20, 30, turn)}), 30));
  ASSERT_EQ(t.track.positionKeyCount, 4);
  ASSERT_EQ(t.track.rotationKeyCount, 4);
  const int32_t frames[4] = {0, 10, 20, 30};
  const float steps[4] = {1, 2, 0, 0};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(t.track.positionKeys[k].frame, frames[k]);
    EXPECT_EQ(t.track.rotationKeys[k].frame, frames[k]);
    EXPECT_FLOAT_EQ(t.track.positionKeys[k].step.z, steps[k]) << k;
  }
  EXPECT_FLOAT_EQ(t.track.positionKeys[3].position.z, 30.0f);
  EXPECT_FLOAT_EQ(t.track.rotationKeys[3].rotation.x, 0.6f);
}

TEST(TrackKeysTest, NoKeyIsAddedWhenTheLastReachesTheEnd) {
  const struct {
    std::vector<import::HostKey> keys;
    int32_t expectedCount;
  } cases[] = {
      {{KeyAt(5, 3)}, 2},                // one key early: kept where it is, held to the end
      {{KeyAt(0, 0), KeyAt(30, 1)}, 2},  // last key at the end
      {{KeyAt(0, 0), KeyAt(40, 1)}, 2},  // last key past the end
  };
  for (const auto& c : cases) {
    Track t;
    ASSERT_TRUE(import::FillTrackKeys(&t.track, import::GroupedKeys(c.keys), 30));
    ASSERT_EQ(t.track.positionKeyCount, c.expectedCount);
    EXPECT_EQ(t.track.positionKeys[0].frame, c.keys[0].frame);
    EXPECT_EQ(t.track.positionKeys[c.expectedCount - 1].frame, std::max(c.keys.back().frame, 30));
  }
}

TEST(TrackKeysTest, RotationsStayOnTheHemisphereOfThePreviousKey) {
  Track t;
  ASSERT_TRUE(import::FillTrackKeys(
      &t.track, Grouped({KeyAt(0, 0, {0, 0, 0, 1}), KeyAt(1, 0, {0, 0, 0.6f, -0.8f})}), 1));
  EXPECT_FLOAT_EQ(t.track.rotationKeys[1].rotation.z, -0.6f);
  EXPECT_FLOAT_EQ(t.track.rotationKeys[1].rotation.w, 0.8f);
}

// Keys written four at a time have the bits of the rule applied key by key: each rotation negated
// where its product with the previous key as written is below zero, each step the difference to
// the next position over the frames between, one component at a time. Rotations whose products
// alternate in sign, are zero (at right angles) or not a number, from one key to nine (groups cut
// short and whole), held to the end and not; frames far apart.
TEST(TrackKeysTest, KeysWrittenFourAtATimeHaveTheBitsOfKeysWrittenOneByOne) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<D3DXQUATERNION> patterns[] = {
      {{0, 0, 0, 1}, {0, 0, 0.6f, -0.8f}},  // every product below zero
      {{0, 0, 0, 1}, {0, 0, 0.6f, -0.8f}, {0, 0, 0.6f, 0.8f}},
      {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 0, -1}},         // products of zero
      {{0, 0, 0, -1}, {nan, 0, 0, 1}, {-0.0f, 0, 0, -1}},  // a product not a number
      {{0, 0, 0, 0}, {0, 0, 0, -1}},                       // a rotation of zero
  };
  const int32_t frames[] = {-7, 0, 1, 5, 16777217, 16777219, 2000000000, 2000000001, 2147483647};
  for (const auto& pattern : patterns) {
    for (size_t count = 1; count <= std::size(frames); ++count) {
      std::vector<import::HostKey> keys;
      for (size_t k = 0; k < count; ++k) {
        const float x = 0.3f * static_cast<float>(k * k) - 1.1f;
        keys.push_back({frames[k], {x, -x / 3.0f, 7.0f / x}, pattern[k % pattern.size()]});
      }
      for (const int32_t totalFrames : {keys.back().frame, keys.back().frame - 1, 2147483647}) {
        Track t;
        ASSERT_TRUE(import::FillTrackKeys(&t.track, import::GroupedKeys(keys), totalFrames));
        const size_t n = count + (keys.back().frame < totalFrames ? 1 : 0);
        ASSERT_EQ(t.track.rotationKeyCount, static_cast<int32_t>(n));
        D3DXQUATERNION previous = keys[0].rotation;
        for (size_t k = 0; k < n; ++k) {
          const import::HostKey& key = keys[std::min(k, count - 1)];
          const float* p = &previous.x;
          const float* q = &key.rotation.x;
          const float product = ((q[0] * p[0] + q[1] * p[1]) + q[2] * p[2]) + q[3] * p[3];
          D3DXQUATERNION rotation = key.rotation;
          if (product < 0.0f) rotation = {-q[0], -q[1], -q[2], -q[3]};
          previous = rotation;
          D3DXVECTOR3 step = {0, 0, 0};
          if (k + 1 < count) {
            const float span = static_cast<float>(static_cast<double>(keys[k + 1].frame) -
                                                  static_cast<double>(key.frame));
            step = {(keys[k + 1].position.x - key.position.x) / span,
                    (keys[k + 1].position.y - key.position.y) / span,
                    (keys[k + 1].position.z - key.position.z) / span};
          }
          const int32_t frame = k < count ? key.frame : totalFrames;
          const sRotateKey rotationKey = {frame, rotation};
          const sPositionKey positionKey = {frame, key.position, step};
          EXPECT_EQ(std::memcmp(&t.track.rotationKeys[k], &rotationKey, sizeof rotationKey), 0)
              << "rotation key " << k << " of " << n;
          EXPECT_EQ(std::memcmp(&t.track.positionKeys[k], &positionKey, sizeof positionKey), 0)
              << "position key " << k << " of " << n;
        }
      }
    }
  }
}

TEST(WholeFrameTest, TimesNearAWholeFrameAreThatFrameOthersAreTruncated) {
  const struct {
    float time;
    int32_t frame;
  } cases[] = {
      {62.999996f, 63},  // frame 63 of a 30 fps model after seconds and back
      {10.0009f, 10},   {9.9991f, 10},      {10.2f, 10},         {10.998f, 10},      {-0.5f, 0},
      {-0.9995f, -1},   {1e20f, INT32_MAX}, {-1e20f, INT32_MIN}, {std::nanf(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(import::WholeFrame(c.time), c.frame) << c.time;
}

TEST(ModelKeyFramesTest, EveryKeyOfEveryJointOnce) {
  msModel model;
  AddJoint(model, "a", "").rotationKeys = {{4.0f, {}}, {0.4f, {}}};
  AddJoint(model, "b", "").positionKeys = {{2.9999f, {}}, {4.5f, {}}, {9.0f, {}}};
  // As many keys as b's, all but the last at b's times; then the same times again.
  AddJoint(model, "c", "").rotationKeys = {{2.9999f, {}}, {4.5f, {}}, {11.0f, {}}};
  AddJoint(model, "d", "").positionKeys = {{2.9999f, {}}, {4.5f, {}}, {11.0f, {}}};
  EXPECT_EQ(import::ModelKeyFrames(model), (std::vector<int32_t>{0, 3, 4, 9, 11}));
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
  ASSERT_EQ(a->positionKeyCount, 3);
  EXPECT_FLOAT_EQ(a->positionKeys[0].position.x, -1.0f);  // mirrored in x
  EXPECT_FLOAT_EQ(a->positionKeys[0].position.z, 3.0f);
  EXPECT_FLOAT_EQ(a->positionKeys[0].step.z, 0.2f);
  EXPECT_EQ(a->positionKeys[1].frame, 10);
  EXPECT_EQ(a->positionKeys[2].frame, 30);
  EXPECT_EQ(c->positionKeyCount, 0);
  EXPECT_EQ(c->scaleKeyCount, 0);
  EXPECT_EQ(c->matrixKeyCount, 0);
}

TEST_F(ImportAnimationTest, KeysHoldTheRestTransformCombinedWithTheKeyMirrored) {
  msModel model;
  model.framesPerSecond = 1.0f;
  model.totalFrames = 5;
  AddVertex(model, 0, 0, 0, 0);
  AddVertex(model, 1, 0, 0, 0);
  AddVertex(model, 0, 1, 0, 0);
  AddGroup(model, "g", {AddTriangle(model, 0, 1, 2)});
  // Rest: a quarter turn about z at (1, 0, 0). Key at frame 5: a quarter turn about x and a move
  // of (0, 0, 2) in the joint's rest frame. Another joint has a key at frame 2 only, and this
  // joint has no position key there: it gets one all the same.
  msJoint& joint = AddJoint(model, "turned", "", 0, 0, kHalfPi, 1, 0, 0);
  joint.rotationKeys = {{5, {kHalfPi, 0, 0}}};
  joint.positionKeys = {{5, {0, 0, 2}}};
  AddJoint(model, "other", "").rotationKeys = {{2, {0, 0, 0}}};
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sAnimation* track = object->animationSet->firstTrack->next;
  ASSERT_STREQ(track->name, "turned");
  ASSERT_EQ(track->positionKeyCount, 2);
  EXPECT_EQ(track->positionKeys[0].frame, 2);
  EXPECT_EQ(track->positionKeys[1].frame, 5);
  const sPositionKey& moved = track->positionKeys[1];
  EXPECT_NEAR(moved.position.x, -1, 1e-6);
  EXPECT_NEAR(moved.position.y, 0, 1e-6);
  EXPECT_NEAR(moved.position.z, 2, 1e-6);
  // In the model x goes to y and y to z (Rz Rx); mirrored, x goes to -y and y stays z.
  const D3DXQUATERNION& q = track->rotationKeys[1].rotation;
  const D3DXVECTOR3 x = Turned(q, {1, 0, 0}), y = Turned(q, {0, 1, 0});
  EXPECT_NEAR(x.y, -1, 1e-6);
  EXPECT_NEAR(y.z, 1, 1e-6);
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

// Thirty keys `spacing` frames apart from `offset` on, their values turning from key to key. One
// frame apart, four frames posed in turn fall in four consecutive intervals (halfway with an offset
// of -0.5, at their first key with none); further apart, several frames fall in each interval.
std::vector<msKeyframe> EveryFrame(float step, float offset = -0.5f, float spacing = 1.0f) {
  std::vector<msKeyframe> keys;
  for (int key = 0; key < 30; ++key) {
    const float turn = step * static_cast<float>(key);
    keys.push_back(
        {static_cast<float>(key) * spacing + offset, {std::sin(turn), 0.5f * turn, -0.25f * turn}});
  }
  return keys;
}

// Keys posed four frames at a time have, bit for bit, what posing each frame alone gives: frames
// before, between, at and after keys (between equal ones too); keys out of order, at one time, with
// -0, infinite and not-a-number values; joints without key curves; rotations past 120 degrees
// (worked lane by lane); several frames between two keys; a frame count that leaves the last group
// short; runs of frames held before, between and after a joint's keys.
TEST(PosedHostKeysTest, KeysPosedInLanesHaveTheBitsOfKeysPosedOneByOne) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    std::vector<msKeyframe> rotations, positions;
    bool curves;
    int32_t firstFrame = -2;
  } cases[] = {
      {"in order",
       {{1, {0.3f, -0.2f, 1.1f}},
        {4.5f, {2.9f, 0.1f, -2.5f}},
        {8, {0, 0, 3.0f}},
        {11, {0, 0, 3.0f}}},
       {{0, {1, 2, 3}}, {3, {-1, 0.5f, 2}}, {9, {4, 4, -4}}},
       true},
      {"without curves",
       {{1, {0.3f, -0.2f, 1.1f}}, {4.5f, {2.9f, 0.1f, -2.5f}}},
       {{0, {1, 2, 3}}, {3, {-1, 0.5f, 2}}, {9, {4, 4, -4}}},
       false},
      {"out of order, repeated times",
       {{5, {0.1f, 0, 0}}, {2, {0, 0.2f, 0}}, {2, {0, 0, 0.3f}}, {7, {1, 1, 1}}},
       {{3, {1, 0, 0}}, {3, {0, 1, 0}}, {1, {0, 0, 1}}, {6, {2, 2, 2}}},
       true},
      {"special values",
       {{0, {-0.0f, -0.0f, 0.5f}}, {3, {inf, 0, 0}}, {nan, {0, 0, 1}}, {6, {-0.0f, 0, -0.0f}}},
       {{0, {-0.0f, 0, 1}}, {2, {inf, -0.0f, 0}}, {4, {nan, 1, 1}}, {8, {1, 1, 1}}},
       true},
      {"one key each", {{4, {0.2f, 0.4f, 0.6f}}}, {{4, {1, 1, 1}}}, true},
      {"rotations only", {{0, {0, 0, 0}}, {10, {0, 3.0f, 0}}}, {}, true},
      {"a key between every two frames", EveryFrame(0.3f), EveryFrame(1.7f), true},
      // The first four frames in the first four intervals.
      {"a key at every frame from the first", EveryFrame(0.3f, 0), EveryFrame(1.7f, 0), true, 0},
      {"keys further apart than the frames", EveryFrame(0.3f, 0.25f, 2.5f),
       EveryFrame(0.9f, -0.5f, 1.5f), true},
      // Runs of frames before both arrays' keys, after the positions' but before the rotations',
      // and after both: three poses, each held by several groups of frames.
      {"keyed by hand, held around the keys",
       {{20, {0.5f, 0, 0}}, {24, {0, 1.0f, 0}}},
       {{2, {1, 0, 0}}, {4, {0, 2, 0}}},
       true,
       -8},
  };
  for (const auto& c : cases) {
    // Frames at the keys and around them, past a batch of posed groups, the last group short.
    std::vector<int32_t> frames;
    for (int32_t frame = c.firstFrame; frame <= 40; ++frame) frames.push_back(frame);
    msModel model;
    msJoint joint;
    joint.rotation[0] = 0.25f;
    joint.position[2] = 1.5f;
    joint.rotationKeys = c.rotations;
    joint.positionKeys = c.positions;
    model.joints.push_back(joint);
    model.BuildRestTransforms();
    if (c.curves) msModel::ComputeKeyCurves(model.joints[0]);
    // Posed one frame at a time, each frame's intervals found by a scan of the keys.
    msModel alone = model;
    alone.joints[0].positionKeysInOrder = alone.joints[0].rotationKeysInOrder = false;

    import::HostKeys posed;
    import::PosedHostKeys(model, 0, frames, posed);
    ASSERT_EQ(posed.count, frames.size()) << c.name;
    for (size_t k = 0; k < frames.size(); ++k) {
      const import::HostKey key = posed[k];
      alone.joints[0].rotationArc = SlerpArc{};  // its arc found afresh
      alone.PoseJointLocal(0, static_cast<float>(frames[k]));
      const D3DXMATRIX local = import::MirroredHostMatrix(alone.joints[0].poseLocal);
      const float position[3] = {local.m[3][0], local.m[3][1], local.m[3][2]};
      const D3DXQUATERNION rotation = import::HostRotationQuaternion(local);
      const float lanes[7] = {key.position.x, key.position.y, key.position.z, key.rotation.x,
                              key.rotation.y, key.rotation.z, key.rotation.w};
      const float one[7] = {position[0], position[1], position[2], rotation.x,
                            rotation.y,  rotation.z,  rotation.w};
      EXPECT_EQ(key.frame, frames[k]) << c.name;
      for (int f = 0; f < 7; ++f) {
        EXPECT_TRUE(SameBits(lanes[f], one[f])) << c.name << " at frame " << frames[k] << ", float "
                                                << f << ": " << lanes[f] << " against " << one[f];
      }
    }
  }
}

}  // namespace
}  // namespace korva::testing
