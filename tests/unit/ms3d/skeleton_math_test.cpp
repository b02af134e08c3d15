// The rotation, quaternion and matrix helpers against hand-worked values and against each other.
#include "ms3d/skeleton_math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/angles.h"

namespace korva {
namespace {

using testing::kHalfPi;
constexpr float kTolerance = 1e-5f;

void Apply(const Matrix34& m, const float p[3], float out[3]) {
  for (int r = 0; r < 3; ++r) {
    out[r] = m.m[r][0] * p[0] + m.m[r][1] * p[1] + m.m[r][2] * p[2] + m.m[r][3];
  }
}

void ExpectLinearNear(const Matrix34& a, const Matrix34& b) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], kTolerance) << r << c;
  }
}

Matrix34 AxisRotation(int axis, float angle) {
  float angles[3] = {0, 0, 0};
  angles[axis] = angle;
  return EulerToMatrix(angles);
}

TEST(SkeletonMathTest, EulerMatrixTurnsAboutFixedAxesXThenYThenZ) {
  const float quarterZ[3] = {0, 0, kHalfPi};
  const float x[3] = {1, 0, 0};
  float out[3];
  Apply(EulerToMatrix(quarterZ), x, out);
  EXPECT_NEAR(out[0], 0.0f, kTolerance);
  EXPECT_NEAR(out[1], 1.0f, kTolerance);
  EXPECT_NEAR(out[2], 0.0f, kTolerance);

  const float angles[3] = {0.3f, -0.7f, 1.1f};
  const Matrix34 composed = ConcatAffine(
      AxisRotation(2, angles[2]), ConcatAffine(AxisRotation(1, angles[1]), AxisRotation(0, 0.3f)));
  const Matrix34 direct = EulerToMatrix(angles);
  ExpectLinearNear(direct, composed);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(direct.m[r][3], 0.0f);
}

TEST(SkeletonMathTest, QuaternionDescribesTheSameRotationAsTheMatrix) {
  const float quarterZ[3] = {0, 0, kHalfPi};
  const Quaternion q = EulerToQuaternion(quarterZ);
  EXPECT_NEAR(q.x, 0.0f, kTolerance);
  EXPECT_NEAR(q.y, 0.0f, kTolerance);
  EXPECT_NEAR(q.z, std::sin(kHalfPi / 2), kTolerance);
  EXPECT_NEAR(q.w, std::cos(kHalfPi / 2), kTolerance);

  const float angles[3] = {0.3f, -0.7f, 1.1f};
  Matrix34 fromQuaternion;
  fromQuaternion.m[1][3] = 7.0f;
  QuaternionToRotation(EulerToQuaternion(angles), fromQuaternion);
  ExpectLinearNear(fromQuaternion, EulerToMatrix(angles));
  EXPECT_EQ(fromQuaternion.m[1][3], 7.0f);  // translation untouched
}

TEST(SkeletonMathTest, ConcatAffineAppliesTheRightOperandFirst) {
  Matrix34 a = AxisRotation(2, kHalfPi);
  a.m[0][3] = 1.0f;
  Matrix34 b = AxisRotation(0, 0.4f);
  b.m[1][3] = 2.0f;
  b.m[2][3] = -3.0f;
  const float p[3] = {0.5f, -1.5f, 2.0f};
  float viaB[3], twice[3], once[3];
  Apply(b, p, viaB);
  Apply(a, viaB, twice);
  Apply(ConcatAffine(a, b), p, once);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(once[i], twice[i], kTolerance);
}

TEST(SkeletonMathTest, SlerpEndpointsHalfwayAndShortArc) {
  const float zero[3] = {0, 0, 0};
  const float quarterZ[3] = {0, 0, kHalfPi};
  const float eighthZ[3] = {0, 0, kHalfPi / 2};
  const Quaternion p = EulerToQuaternion(zero);
  const Quaternion q = EulerToQuaternion(quarterZ);
  const Quaternion half = SlerpQuaternion(p, q, 0.5f);
  const Quaternion expected = EulerToQuaternion(eighthZ);
  EXPECT_NEAR(half.z, expected.z, kTolerance);
  EXPECT_NEAR(half.w, expected.w, kTolerance);
  EXPECT_NEAR(SlerpQuaternion(p, q, 1.0f).z, q.z, kTolerance);
  EXPECT_NEAR(SlerpQuaternion(p, q, 0.0f).w, 1.0f, kTolerance);

  // -q is the same rotation as q: it is negated and the path stays on the short arc.
  const Quaternion minusQ{-q.x, -q.y, -q.z, -q.w};
  const Quaternion viaMinus = SlerpQuaternion(p, minusQ, 0.5f);
  EXPECT_NEAR(viaMinus.z, expected.z, kTolerance);
  EXPECT_NEAR(viaMinus.w, expected.w, kTolerance);
}

TEST(SkeletonMathTest, SlerpOfEqualOrOppositeQuaternionsFallsBackToLinearWeights) {
  const float angles[3] = {0.2f, 0.1f, -0.4f};
  const Quaternion q = EulerToQuaternion(angles);
  for (const Quaternion& other : {q, Quaternion{-q.x, -q.y, -q.z, -q.w}}) {
    const Quaternion r = SlerpQuaternion(q, other, 0.3f);
    ASSERT_TRUE(std::isfinite(r.w));
    EXPECT_NEAR(r.x, q.x, kTolerance);
    EXPECT_NEAR(r.y, q.y, kTolerance);
    EXPECT_NEAR(r.z, q.z, kTolerance);
    EXPECT_NEAR(r.w, q.w, kTolerance);
  }
}

}  // namespace
}  // namespace korva
