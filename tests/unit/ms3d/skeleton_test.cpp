// The skeleton of an msModel: parent links, bind pose against hand-worked matrices, Hermite
// tangents and interpolation of the keys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "ms3d/ms_model.h"
#include "support/angles.h"
#include "support/ms3d_writer.h"  // SetName
#include "support/same_bits.h"

namespace korva {
namespace {

using testing::SetName;

using testing::kHalfPi;
using testing::SameBits;
constexpr float kMatrixTolerance = 1e-5f;

msJoint& AddJoint(msModel& model, const char* name, const char* parent) {
  model.joints.emplace_back();
  msJoint& joint = model.joints.back();
  SetName(joint.name, name);
  SetName(joint.parentName, parent);
  return joint;
}

void ExpectMatrixNear(const Matrix34& actual, const float (&expected)[3][4]) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected[r][c], kMatrixTolerance) << "row " << r << " col " << c;
    }
  }
}

void ExpectMatrixNear(const Matrix34& actual, const Matrix34& expected) {
  ExpectMatrixNear(actual, expected.m);
}

TEST(SkeletonTest, BindPoseOfAThreeLevelChainMatchesHandWorkedMatrices) {
  msModel model;
  msJoint& root = AddJoint(model, "root", "");
  root.rotation[2] = kHalfPi;
  root.position[0] = 1.0f;
  AddJoint(model, "arm", "root").position[0] = 2.0f;
  msJoint& hand = AddJoint(model, "hand", "arm");
  hand.rotation[0] = kHalfPi;
  hand.position[2] = 3.0f;
  model.BuildBindPose();

  EXPECT_EQ(model.joints[0].parentIndex, -1);
  EXPECT_EQ(model.joints[1].parentIndex, 0);
  EXPECT_EQ(model.joints[2].parentIndex, 1);
  const float rootAbsolute[3][4] = {{0, -1, 0, 1}, {1, 0, 0, 0}, {0, 0, 1, 0}};
  const float armAbsolute[3][4] = {{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 1, 0}};
  const float handLocal[3][4] = {{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 3}};
  const float handAbsolute[3][4] = {{0, 0, 1, 1}, {1, 0, 0, 2}, {0, 1, 0, 3}};
  ExpectMatrixNear(model.joints[0].bindAbsolute, rootAbsolute);
  ExpectMatrixNear(model.joints[1].bindAbsolute, armAbsolute);
  ExpectMatrixNear(model.joints[2].bindLocal, handLocal);
  ExpectMatrixNear(model.joints[2].bindAbsolute, handAbsolute);

  // Running it again gives the same results.
  model.BuildBindPose();
  ExpectMatrixNear(model.joints[2].bindAbsolute, handAbsolute);
}

TEST(SkeletonTest, NamesAreMatchedWithinTheirThirtyTwoBytes) {
  msModel model;
  msJoint& full = AddJoint(model, "", "");
  std::memset(full.name, 'n', kMsNameSize);  // no terminator in the field
  msJoint& child = AddJoint(model, "child", "");
  std::memset(child.parentName, 'n', kMsNameSize);
  AddJoint(model, "Child", "child");
  model.BuildBindPose();
  EXPECT_EQ(model.joints[1].parentIndex, 0);
  EXPECT_EQ(model.joints[2].parentIndex, 1);  // case-sensitive

  const std::string thirtyTwo(kMsNameSize, 'n');
  EXPECT_EQ(model.JointIndexByName(thirtyTwo.c_str()), 0);
  EXPECT_EQ(model.JointIndexByName((thirtyTwo + "n").c_str()), -1);
  EXPECT_EQ(model.JointIndexByName(thirtyTwo.substr(1).c_str()), -1);
  EXPECT_EQ(model.JointIndexByName("Child"), 2);
  EXPECT_EQ(model.JointIndexByName("chil"), -1);
  EXPECT_EQ(model.JointIndexByName(""), -1);
}

TEST(SkeletonTest, AParentNameSharedByTwoJointsLinksToTheFirst) {
  msModel model;
  AddJoint(model, "twin", "");
  AddJoint(model, "twin", "");
  AddJoint(model, "child", "twin");
  AddJoint(model, "orphan", "nobody");
  model.BuildBindPose();
  EXPECT_EQ(model.joints[2].parentIndex, 0);
  EXPECT_EQ(model.joints[3].parentIndex, -1);
}

TEST(SkeletonTest, ParentsAreFoundByTheWholeNameWhateverItsFirstEightBytes) {
  // Names sharing their first eight bytes, names that begin others, bytes above 0x7f and a name
  // given twice: each child finds the first joint of its name.
  const char* names[] = {"Bip01 Spine2",  "Bip01 Spine1", "Bip01 Spine",
                         "Bip01 Spine1",  "Bip01",        "Bip01 Spine10",
                         "\xC3\xA9paule", "epaule",       "Bip01 Spine\xC3\xA9"};
  const int count = static_cast<int>(std::size(names));
  msModel model;
  for (const char* name : names) AddJoint(model, name, "");
  for (const char* name : names) AddJoint(model, "child", name);
  for (const char* missing : {"Bip01 Spine3", "Bip01 Spin", "Bip0", "\xC3\xA9"}) {
    AddJoint(model, "orphan", missing);
  }
  // What follows a terminator in a field is no part of the name.
  std::memcpy(model.joints[7].name + 7, "xyz", 3);
  std::memcpy(model.joints[count + 7].parentName + 7, "abc", 3);
  model.LinkParents();
  for (int i = 0; i < count; ++i) {
    int first = 0;
    while (std::strcmp(names[first], names[i]) != 0) ++first;
    EXPECT_EQ(model.joints[static_cast<size_t>(count + i)].parentIndex, first) << names[i];
  }
  for (size_t i = 2 * static_cast<size_t>(count); i < model.joints.size(); ++i) {
    EXPECT_EQ(model.joints[i].parentIndex, -1) << model.joints[i].parentName;
  }
}

TEST(SkeletonTest, TangentsWrapAroundAndVanishBelowThreeKeys) {
  msModel model;
  AddJoint(model, "three", "").positionKeys = {{0, {0, 1, 2}}, {10, {10, 3, -2}}, {25, {20, 9, 4}}};
  AddJoint(model, "two", "").positionKeys = {{0, {0, 0, 0}}, {10, {10, 0, 0}}};
  model.joints[0].rotationKeys = {{0, {}}, {5, {}}, {9, {}}};
  model.ComputePositionTangents();
  const std::vector<msTangent>& t = model.joints[0].tangents;
  ASSERT_EQ(t.size(), 3u);
  // Key 1: the neighbours' difference (20, 8, 2) shared 10 : 15 by the spans before and after.
  // Key 0: its neighbours are keys 2 (wrapped round, 25 frames on) and 1.
  const float expected[2][2][3] = {{{-50.0f / 3, -10, -10}, {20.0f / 3, 4, 4}},
                                   {{8, 3.2f, 0.8f}, {12, 4.8f, 1.2f}}};
  for (int k = 0; k < 2; ++k) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_FLOAT_EQ(t[k].in[c], expected[k][0][c]) << k << " " << c;
      EXPECT_FLOAT_EQ(t[k].out[c], expected[k][1][c]) << k << " " << c;
    }
  }
  ASSERT_EQ(model.joints[1].tangents.size(), 2u);
  EXPECT_EQ(model.joints[1].tangents[0].out[0], 0.0f);
  EXPECT_EQ(model.joints[1].tangents[1].in[0], 0.0f);
}

// Tangents found four keys at a time have the bits of the formula applied key by key: the
// neighbours' difference times the span on one side over the span on both, for every key count
// (groups of four and what is left, wrapped ends), with equal times (a span of zero), a time that
// is not a number, infinite and -0 values.
TEST(SkeletonTest, TangentsOfKeysInLanesHaveTheBitsOfTheFormulaKeyByKey) {
  const float inf = INFINITY, nan = NAN;
  const msKeyframe pattern[] = {
      {0, {1, 2, 3}},     {2, {-1, 0.5f, 2}},     {3, {4, 4, -4}},
      {3, {-0.0f, 7, 1}}, {7.5f, {inf, 0, 1}},    {9, {2, -3, 0.1f}},
      {nan, {1, 1, 1}},   {12, {0.3f, -0.0f, 5}}, {13, {1e30f, 1e-30f, -2}},
      {20, {6, 6, 6}},    {21, {-5, 2, 8}},       {30, {1, 0, 0}},
  };
  for (size_t n = 3; n <= std::size(pattern); ++n) {
    for (const size_t shift : {size_t{0}, size_t{5}}) {
      msJoint joint;
      for (size_t k = 0; k < n; ++k) joint.positionKeys.push_back(pattern[(k + shift) % n]);
      msModel::ComputeKeyCurves(joint);
      const std::vector<msKeyframe>& keys = joint.positionKeys;
      for (size_t k = 0; k < n; ++k) {
        const msKeyframe& before = keys[(k + n - 1) % n];
        const msKeyframe& after = keys[(k + 1) % n];
        const float dt0 = keys[k].time - before.time;
        const float dt1 = after.time - keys[k].time;
        const float span = dt0 + dt1;
        msTangent expected;
        for (int c = 0; c < 3; ++c) {
          const float d = after.value[c] - before.value[c];
          expected.in[c] = d * dt0 / span;
          expected.out[c] = d * dt1 / span;
        }
        for (int c = 0; c < 3; ++c) {
          EXPECT_TRUE(SameBits(joint.tangents[k].in[c], expected.in[c]) &&
                      SameBits(joint.tangents[k].out[c], expected.out[c]))
              << "key " << k << " of " << n << ", shifted by " << shift << ", component " << c;
        }
      }
    }
  }
}

TEST(SkeletonTest, TwoPositionKeysFollowTheHermiteCurveAndHoldOutsideTheirRange) {
  msModel model;
  AddJoint(model, "j", "").positionKeys = {{10, {0, 4, 0}}, {20, {8, 4, 0}}};
  model.BuildBindPose();
  struct Case {
    float frame, x;
  };
  for (const Case& c : {Case{15, 4.0f}, Case{12.5f, 0.15625f * 8}, Case{10, 0}, Case{20, 8},
                        Case{5, 0}, Case{25, 8}}) {
    model.PoseAtFrame(c.frame);
    EXPECT_NEAR(model.joints[0].poseLocal.m[0][3], c.x, kMatrixTolerance) << c.frame;
    EXPECT_NEAR(model.joints[0].poseLocal.m[1][3], 4.0f, kMatrixTolerance) << c.frame;
  }
}

TEST(SkeletonTest, KeysInTimeOrderFindTheSameIntervalAsAScan) {
  // Repeated times and a key back in time: the first interval holding the frame decides.
  const std::vector<std::vector<float>> timeLists = {
      {0, 10, 10, 20, 30}, {5, 5, 5}, {0, 10, 5, 20}, {3}, {0, std::nanf(""), 20}};
  for (const std::vector<float>& times : timeLists) {
    msModel model;
    msJoint& joint = AddJoint(model, "j", "");
    for (size_t k = 0; k < times.size(); ++k) {
      const float value = static_cast<float>(k + 1);
      joint.positionKeys.push_back({times[k], {value, 0, 0}});
      joint.rotationKeys.push_back({times[k], {0, 0, 0.1f * value}});
    }
    model.BuildBindPose();
    msModel scanned = model;
    scanned.joints[0].positionKeysInOrder = scanned.joints[0].rotationKeysInOrder = false;
    for (float frame : {-1.0f, 0.0f, 4.0f, 5.0f, 7.5f, 10.0f, 15.0f, 20.0f, 25.0f, 30.0f, 31.0f}) {
      model.PoseAtFrame(frame);
      scanned.PoseAtFrame(frame);
      ExpectMatrixNear(model.joints[0].poseLocal, scanned.joints[0].poseLocal);
    }
  }
}

TEST(SkeletonTest, ThreePositionKeysUseTheirTangents) {
  msModel model;
  AddJoint(model, "j", "").positionKeys = {{0, {0, 0, 0}}, {10, {10, 0, 0}}, {20, {0, 0, 0}}};
  model.BuildBindPose();
  // Between keys 1 and 2: out[1] = (0 - 0) * 10 / 20 = 0, in[2] = (0 - 10) * 10 / -10 = 10.
  // At u = 0.5: h1 = h2 = 0.5, h4 = -0.125, so x = 5 - 1.25.
  model.PoseAtFrame(15);
  EXPECT_NEAR(model.joints[0].poseLocal.m[0][3], 3.75f, kMatrixTolerance);
  model.PoseAtFrame(10);
  EXPECT_NEAR(model.joints[0].poseLocal.m[0][3], 10.0f, kMatrixTolerance);
}

TEST(SkeletonTest, RotationKeysSlerpAndASingleKeyHoldsEverywhere) {
  msModel model;
  AddJoint(model, "single", "").rotationKeys = {{10, {0, 0, kHalfPi}}};
  AddJoint(model, "pair", "").rotationKeys = {{0, {0, 0, 0}}, {10, {0, 0, kHalfPi}}};
  model.BuildBindPose();
  const float quarter[3][4] = {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}};
  for (float frame : {5.0f, 15.0f}) {
    model.PoseAtFrame(frame);
    ExpectMatrixNear(model.joints[0].poseLocal, quarter);
  }
  model.PoseAtFrame(5);
  const float eighth[3] = {0, 0, kHalfPi / 2};
  ExpectMatrixNear(model.joints[1].poseLocal, EulerToMatrix(eighth));
}

TEST(SkeletonTest, PosingComposesKeysInTheRestFrameAndDownTheChain) {
  msModel model;
  msJoint& root = AddJoint(model, "root", "");
  root.rotation[2] = kHalfPi;
  root.positionKeys = {{0, {1, 0, 0}}};
  msJoint& child = AddJoint(model, "child", "root");
  child.position[0] = 2.0f;
  AddJoint(model, "still", "child");  // no keys at all
  model.BuildBindPose();
  model.PoseAtFrame(3);

  // The root's key moves it along its own rotated x axis: world +y.
  const float rootPose[3][4] = {{0, -1, 0, 0}, {1, 0, 0, 1}, {0, 0, 1, 0}};
  ExpectMatrixNear(model.joints[0].poseAbsolute, rootPose);
  const float childPose[3][4] = {{0, -1, 0, 0}, {1, 0, 0, 3}, {0, 0, 1, 0}};
  ExpectMatrixNear(model.joints[1].poseAbsolute, childPose);
  ExpectMatrixNear(model.joints[2].poseLocal, model.joints[2].bindLocal);
  EXPECT_FLOAT_EQ(model.currentFrame, 3.0f);
}

TEST(SkeletonTest, ParentsListedAfterTheirChildrenPoseAsInFileOrder) {
  // The same three-joint chain listed root first and root last.
  const auto chain = [](bool rootLast) {
    msModel model;
    const char* names[3][2] = {{"root", ""}, {"arm", "root"}, {"hand", "arm"}};
    for (int i = 0; i < 3; ++i) {
      const int at = rootLast ? 2 - i : i;
      msJoint& joint = AddJoint(model, names[at][0], names[at][1]);
      joint.rotation[2] = 0.3f * static_cast<float>(at + 1);
      joint.position[0] = 1.0f + static_cast<float>(at);
      joint.rotationKeys = {{0, {0.1f, 0, 0}}, {10, {0, 0.5f, 0}}};
    }
    model.BuildBindPose();
    model.PoseAtFrame(4);
    return model;
  };
  const msModel inOrder = chain(false);
  const msModel reversed = chain(true);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ExpectMatrixNear(reversed.joints[2 - i].bindAbsolute, inOrder.joints[i].bindAbsolute);
    ExpectMatrixNear(reversed.joints[2 - i].poseAbsolute, inOrder.joints[i].poseAbsolute);
  }
}

TEST(SkeletonTest, JointsOnACycleOfParentsAreRootsAndTheirChildrenKeepThem) {
  msModel model;
  AddJoint(model, "a", "b").position[0] = 1.0f;
  AddJoint(model, "b", "a").position[1] = 2.0f;
  AddJoint(model, "self", "self");
  AddJoint(model, "leaf", "a").position[2] = 3.0f;
  model.BuildBindPose();  // must end
  model.PoseAtFrame(0);
  const int parents[4] = {-1, -1, -1, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(model.joints[i].parentIndex, parents[i]) << i;
  const float leaf[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 3}};
  ExpectMatrixNear(model.joints[3].bindAbsolute, leaf);
  ExpectMatrixNear(model.joints[3].poseAbsolute, leaf);
}

TEST(SkeletonTest, NegativeFrameRestoresTheRestPoseWithoutReadingKeys) {
  msModel model;
  AddJoint(model, "root", "").positionKeys = {{0, {5, 5, 5}}};
  AddJoint(model, "child", "root").position[1] = 1.0f;
  model.BuildBindPose();
  model.PoseAtFrame(0);
  // Keys that would be read out of bounds if they were used at all.
  model.joints[0].positionKeys.clear();
  model.joints[0].tangents.clear();
  model.PoseAtFrame(-1);
  ExpectMatrixNear(model.joints[0].poseAbsolute, model.joints[0].bindAbsolute);
  ExpectMatrixNear(model.joints[1].poseAbsolute, model.joints[1].bindAbsolute);
  EXPECT_FLOAT_EQ(model.currentFrame, -1.0f);
}

TEST(SkeletonTest, PosingIsSafeWithoutTangentsOrWithAnOutOfRangeJoint) {
  msModel model;
  AddJoint(model, "j", "").positionKeys = {{0, {0, 0, 0}}, {10, {10, 0, 0}}, {20, {0, 0, 0}}};
  model.BuildBindPose();
  model.joints[0].positionKeys.push_back({30, {1, 1, 1}});  // tangents now stale
  model.PoseJoint(0, 15);
  EXPECT_NEAR(model.joints[0].poseLocal.m[0][3], 5.0f, kMatrixTolerance);
  model.PoseJoint(-1, 0);
  model.PoseJoint(1, 0);
}

}  // namespace
}  // namespace korva

namespace korva {
namespace {

uint32_t Bits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Zero angles skip the runtime's sine and cosine; every bit, zero signs included, must be what the
// runtime would have given. The key curves' quaternions (four keys at a time, then the rest) are
// EulerToQuaternion's, whatever the key count.
TEST(SkeletonTest, EulerToQuaternionMatchesTheRuntimeForZeroAndOtherAngles) {
  const float values[] = {0.0f, -0.0f, 1e-30f, -0.75f, 3.0f, 100.0f};
  std::vector<msKeyframe> keys;
  for (float ax : values) {
    for (float ay : values) {
      for (float az : values) {
        keys.push_back({static_cast<float>(keys.size()), {ax, ay, az}});
        const float angles[3] = {ax, ay, az};
        const float hx = ax * 0.5f, hy = ay * 0.5f, hz = az * 0.5f;
        const float sx = std::sin(hx), cx = std::cos(hx);
        const float sy = std::sin(hy), cy = std::cos(hy);
        const float sz = std::sin(hz), cz = std::cos(hz);
        const Quaternion q = EulerToQuaternion(angles);
        EXPECT_EQ(Bits(q.x), Bits(sx * cy * cz - cx * sy * sz)) << ax << " " << ay << " " << az;
        EXPECT_EQ(Bits(q.y), Bits(cx * sy * cz + sx * cy * sz)) << ax << " " << ay << " " << az;
        EXPECT_EQ(Bits(q.z), Bits(cx * cy * sz - sx * sy * cz)) << ax << " " << ay << " " << az;
        EXPECT_EQ(Bits(q.w), Bits(cx * cy * cz + sx * sy * sz)) << ax << " " << ay << " " << az;
      }
    }
  }
  for (const size_t count : {size_t{0}, size_t{3}, size_t{4}, size_t{7}, keys.size()}) {
    msJoint joint;
    joint.rotationKeys.assign(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(count));
    msModel::ComputeKeyCurves(joint);
    ASSERT_EQ(joint.rotationQuaternions.size(), count);
    for (size_t k = 0; k < count; ++k) {
      const Quaternion one = EulerToQuaternion(keys[k].value);
      const Quaternion& curve = joint.rotationQuaternions[k];
      EXPECT_EQ(std::memcmp(&one, &curve, sizeof one), 0) << "key " << k << " of " << count;
    }
  }
}

}  // namespace
}  // namespace korva
