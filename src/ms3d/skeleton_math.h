// Rotation, quaternion and affine-matrix helpers of the skeleton, in single precision.
// Angles are radians; (ax, ay, az) rotates about fixed X, then Y, then Z: R = Rz * Ry * Rx.
// Points are column vectors: a Matrix34 maps p to m * p, column 3 being the translation.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ms3d/float_lanes.h"

namespace korva {

// 3 x 4 affine transform m[row][column]; the implied fourth row is (0, 0, 0, 1).
struct Matrix34 {
  float m[3][4] = {};
};

// Four 3 x 4 affine transforms, lane i of each element the element of the i-th.
struct Matrix34Lanes {
  Lanes m[3][4];
};

// x, y, z, w with w the scalar part.
struct Quaternion {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 1.0f;
};
static_assert(sizeof(Quaternion) == 16 && offsetof(Quaternion, w) == 12);

// The identity transform.
Matrix34 IdentityMatrix34();

// Rotation matrix Rz(az) * Ry(ay) * Rx(ax) with zero translation.
Matrix34 EulerToMatrix(const float angles[3]);

// The runtime's sine and cosine of `angle`, in one call to its sincosf: what the compiler makes of
// std::sin and std::cos of one angle with every runtime the builds use, called here without the
// copies through the stack that it adds.
inline void RuntimeSineCosine(float angle, float& sine, float& cosine) {
  sincosf(angle, &sine, &cosine);
}

// The sine and cosine of `angle`, as the runtime gives them. Keys and joints often turn about one
// or two axes only: the sine of a zero angle is that zero (its sign kept) and its cosine exactly 1,
// as the runtime's functions give them, so such an angle needs no call.
inline void SineCosine(float angle, float& sine, float& cosine) {
  if (angle == 0.0f) {
    sine = angle;
    cosine = 1.0f;
  } else {
    RuntimeSineCosine(angle, sine, cosine);
  }
}

// The sine and cosine of half of `angle`.
inline void HalfAngleSineCosine(float angle, float& sine, float& cosine) {
  SineCosine(angle * 0.5f, sine, cosine);
}

// The components x, y, z, w of qz * qy * qx from the half angles' sines and cosines. For floats,
// or for Lanes holding four rotations with the same operations in each lane.
template <typename T>
inline void QuaternionOfHalfAngles(T sx, T cx, T sy, T cy, T sz, T cz, T q[4]) {
  q[0] = sx * cy * cz - cx * sy * sz;
  q[1] = cx * sy * cz + sx * cy * sz;
  q[2] = cx * cy * sz - sx * sy * cz;
  q[3] = cx * cy * cz + sx * sy * sz;
}

// The quaternion qz * qy * qx of the same rotation as EulerToMatrix. Inline: an import converts
// every rotation key of a model with it.
inline Quaternion EulerToQuaternion(const float angles[3]) {
  float sx, cx, sy, cy, sz, cz;
  HalfAngleSineCosine(angles[0], sx, cx);
  HalfAngleSineCosine(angles[1], sy, cy);
  HalfAngleSineCosine(angles[2], sz, cz);
  float q[4];
  QuaternionOfHalfAngles(sx, cx, sy, cy, sz, cz, q);
  return Quaternion{q[0], q[1], q[2], q[3]};
}

// Writes the rotation of quaternion (x, y, z, w) (not normalised first) into the 3 x 3 linear part
// of `matrix`; column 3 is left as it was. For floats and a Matrix34, or Lanes and a Matrix34Lanes
// (four quaternions, the same operations in each lane). Inline, as the functions below: an import
// poses every joint at every key frame with them.
template <typename T, typename Matrix>
inline void WriteQuaternionRotation(T x, T y, T z, T w, Matrix& matrix) {
  matrix.m[0][0] = 1.0f - 2.0f * y * y - 2.0f * z * z;
  matrix.m[0][1] = 2.0f * x * y - 2.0f * w * z;
  matrix.m[0][2] = 2.0f * x * z + 2.0f * w * y;
  matrix.m[1][0] = 2.0f * x * y + 2.0f * w * z;
  matrix.m[1][1] = 1.0f - 2.0f * x * x - 2.0f * z * z;
  matrix.m[1][2] = 2.0f * y * z - 2.0f * w * x;
  matrix.m[2][0] = 2.0f * x * z - 2.0f * w * y;
  matrix.m[2][1] = 2.0f * y * z + 2.0f * w * x;
  matrix.m[2][2] = 1.0f - 2.0f * x * x - 2.0f * y * y;
}

// The rotation of q (not normalised first) into the 3 x 3 linear part of `matrix`.
inline void QuaternionToRotation(const Quaternion& q, Matrix34& matrix) {
  WriteQuaternionRotation(q.x, q.y, q.z, q.w, matrix);
}

// The angle between the two quaternions of a spherical interpolation and its sine, as the
// runtime's acos and sin give them from their dot product, kept with the cosine's bits: posing
// every frame between the same two keys asks them of the same cosine again.
struct SlerpArc {
  uint32_t cosineBits = 0xFFFFFFFF;  // a NaN, which never asks for an arc: none found yet
  float omega = 0.0f;
  float sine = 0.0f;
};

// The arc of `cosine`: `arc` itself when it was found for the same bits, else found now into it.
inline const SlerpArc& ArcOf(float cosine, SlerpArc& arc) {
  uint32_t bits;
  std::memcpy(&bits, &cosine, sizeof bits);
  if (bits != arc.cosineBits) {
    arc.cosineBits = bits;
    arc.omega = std::acos(cosine);
    arc.sine = std::sin(arc.omega);
  }
  return arc;
}

// The weights of p and of q in a spherical interpolation at t, from their dot product `cosine`
// (q already on the shorter arc from p); linear weights for nearly equal quaternions. `arc` keeps
// the arc found last (see SlerpArc).
inline void SlerpWeights(float cosine, float t, float& kp, float& kq, SlerpArc& arc) {
  if (1.0f - cosine > 0.00000001f && t == 0.0f) {
    // Posing at a key's own frame. The shorter arc keeps the angle in (0, pi/2] or so, where its
    // sine is positive: the weights below are then sin(omega) / sin(omega), exactly 1, and
    // sin(+-0) / sin(omega), a zero of t's sign, found without three calls to the runtime.
    kp = 1.0f;
    kq = t;
  } else if (1.0f - cosine > 0.00000001f) {
    const SlerpArc& found = ArcOf(cosine, arc);
    kp = std::sin((1.0f - t) * found.omega) / found.sine;
    kq = std::sin(t * found.omega) / found.sine;
  } else {
    // Nearly equal: the sine above would vanish.
    kp = 1.0f - t;
    kq = t;
  }
}

// SlerpWeights of each lane. Without a runtime call in any lane (every lane at its key's own frame
// or nearly equal to its other end, as at an import's key frames) the weights are worked in
// lanes: kq is t either way, kp 1 or 1 - t.
inline void SlerpWeights(Lanes cosine, Lanes t, Lanes& kp, Lanes& kq, SlerpArc& arc) {
  const LaneMask apart = 1.0f - cosine > 0.00000001f;
  if (AllLanes(~apart | (t == 0.0f))) {
    kp = Select(apart, Broadcast(1.0f), 1.0f - t);
    kq = t;
    return;
  }
  float laneP[kLaneCount], laneQ[kLaneCount];
  for (int lane = 0; lane < kLaneCount; ++lane) {
    SlerpWeights(cosine[lane], t[lane], laneP[lane], laneQ[lane], arc);
  }
  kp = LoadLanes(laneP);
  kq = LoadLanes(laneQ);
}

// -value where `negate` holds, value elsewhere.
inline float NegatedWhere(bool negate, float value) {
  return negate ? -value : value;
}
inline Lanes NegatedWhere(LaneMask negate, Lanes value) {
  return Select(negate, -value, value);
}

// Spherical interpolation of quaternions given as components x, y, z, w: `q` is turned onto the
// shorter arc from `p` in place, `weights(cosine, kp, kq)` gives the two weights (SlerpWeights of
// each interpolation), `r` receives the result. For floats, or for Lanes holding four
// interpolations with the same operations in each lane.
template <typename T, typename Weights>
inline void SlerpComponents(const T p[4], T q[4], Weights weights, T r[4]) {
  T apart = {}, together = {};
  for (int i = 0; i < 4; ++i) {
    apart += (p[i] - q[i]) * (p[i] - q[i]);
    together += (p[i] + q[i]) * (p[i] + q[i]);
  }
  // q and -q are the same rotation; take the one on the shorter arc from p.
  const auto shorter = together < apart;
  for (int i = 0; i < 4; ++i) q[i] = NegatedWhere(shorter, q[i]);
  T cosine = {};
  for (int i = 0; i < 4; ++i) cosine += p[i] * q[i];
  T kp, kq;
  weights(cosine, kp, kq);
  for (int i = 0; i < 4; ++i) r[i] = kp * p[i] + kq * q[i];
}

// Spherical interpolation from p (t = 0) to q (t = 1) along the shorter arc; falls back to
// linear weights for nearly equal quaternions. The result is not normalised.
inline Quaternion SlerpQuaternion(const Quaternion& p, const Quaternion& qIn, float t) {
  const float pv[4] = {p.x, p.y, p.z, p.w};
  float qv[4] = {qIn.x, qIn.y, qIn.z, qIn.w};
  float rv[4];
  SlerpArc arc;
  SlerpComponents(
      pv, qv,
      [t, &arc](float cosine, float& kp, float& kq) { SlerpWeights(cosine, t, kp, kq, arc); }, rv);
  Quaternion r;
  r.x = rv[0];
  r.y = rv[1];
  r.z = rv[2];
  r.w = rv[3];
  return r;
}

// out = A * B, written in place (out must be neither A nor B): applying it equals applying B
// first, then A. Each element is stored once, finished: a row stored whole and then patched in one
// lane, or a result built on the stack and copied, is read back slowly (a wide load cannot take
// its bytes from several narrower stores). B and out are Matrix34, or Matrix34Lanes for four
// products with one A.
template <typename Matrix>
inline void ConcatAffineTo(const Matrix34& a, const Matrix& b, Matrix& out) {
  for (int r = 0; r < 3; ++r) {
    const float a0 = a.m[r][0], a1 = a.m[r][1], a2 = a.m[r][2], a3 = a.m[r][3];
    for (int c = 0; c < 3; ++c) {
      out.m[r][c] = a0 * b.m[0][c] + a1 * b.m[1][c] + a2 * b.m[2][c];
    }
    out.m[r][3] = (a0 * b.m[0][3] + a1 * b.m[1][3] + a2 * b.m[2][3]) + a3;
  }
}

// A * B: applying the result equals applying B first, then A.
inline Matrix34 ConcatAffine(const Matrix34& a, const Matrix34& b) {
  Matrix34 out;
  ConcatAffineTo(a, b, out);
  return out;
}

}  // namespace korva
