// Rotation, quaternion and affine-matrix helpers of the skeleton, in single precision.
// Angles are radians; (ax, ay, az) rotates about fixed X, then Y, then Z: R = Rz * Ry * Rx.
// Points are column vectors: a Matrix34 maps p to m * p, column 3 being the translation.
#pragma once

#include <cmath>

namespace korva {

// 3 x 4 affine transform m[row][column]; the implied fourth row is (0, 0, 0, 1).
struct Matrix34 {
  float m[3][4] = {};
};

// x, y, z, w with w the scalar part.
struct Quaternion {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 1.0f;
};

// The identity transform.
Matrix34 IdentityMatrix34();

// Rotation matrix Rz(az) * Ry(ay) * Rx(ax) with zero translation.
Matrix34 EulerToMatrix(const float angles[3]);

// The quaternion qz * qy * qx of the same rotation as EulerToMatrix. Inline: an import converts
// every rotation key of a model with it.
inline Quaternion EulerToQuaternion(const float angles[3]) {
  // Keys often turn about one or two axes only. The sine of a zero angle is that zero (its sign
  // kept) and its cosine exactly 1, as the runtime's functions give them, so such an angle needs
  // no call.
  const auto sineCosine = [](float angle, float& sine, float& cosine) {
    if (angle == 0.0f) {
      sine = angle;
      cosine = 1.0f;
    } else {
      sine = std::sin(angle);
      cosine = std::cos(angle);
    }
  };
  float sx, cx, sy, cy, sz, cz;
  sineCosine(angles[0] * 0.5f, sx, cx);
  sineCosine(angles[1] * 0.5f, sy, cy);
  sineCosine(angles[2] * 0.5f, sz, cz);
  Quaternion q;
  q.x = sx * cy * cz - cx * sy * sz;
  q.y = cx * sy * cz + sx * cy * sz;
  q.z = cx * cy * sz - sx * sy * cz;
  q.w = cx * cy * cz + sx * sy * sz;
  return q;
}

// Writes the rotation of q (not normalised first) into the 3 x 3 linear part of `matrix`;
// column 3 is left as it was. Inline, as the two below: an import poses every joint at every key
// frame with them.
inline void QuaternionToRotation(const Quaternion& q, Matrix34& matrix) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
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

// Spherical interpolation from p (t = 0) to q (t = 1) along the shorter arc; falls back to
// linear weights for nearly equal quaternions. The result is not normalised.
inline Quaternion SlerpQuaternion(const Quaternion& p, const Quaternion& qIn, float t) {
  const float pv[4] = {p.x, p.y, p.z, p.w};
  float qv[4] = {qIn.x, qIn.y, qIn.z, qIn.w};
  float apart = 0.0f, together = 0.0f;
  for (int i = 0; i < 4; ++i) {
    apart += (pv[i] - qv[i]) * (pv[i] - qv[i]);
    together += (pv[i] + qv[i]) * (pv[i] + qv[i]);
  }
  // q and -q are the same rotation; take the one on the shorter arc from p.
  if (together < apart) {
    for (float& component : qv) component = -component;
  }
  float cosine = 0.0f;
  for (int i = 0; i < 4; ++i) cosine += pv[i] * qv[i];
  float kp, kq;
  if (1.0f - cosine > 0.00000001f && t == 0.0f) {
    // Posing at a key's own frame. The shorter arc keeps the angle in (0, pi/2] or so, where its
    // sine is positive: the weights below are then sin(omega) / sin(omega), exactly 1, and
    // sin(+-0) / sin(omega), a zero of t's sign, found without three calls to the runtime.
    kp = 1.0f;
    kq = t;
  } else if (1.0f - cosine > 0.00000001f) {
    const float omega = std::acos(cosine);
    const float sine = std::sin(omega);
    kp = std::sin((1.0f - t) * omega) / sine;
    kq = std::sin(t * omega) / sine;
  } else {
    // Nearly equal: the sine above would vanish.
    kp = 1.0f - t;
    kq = t;
  }
  Quaternion r;
  r.x = kp * pv[0] + kq * qv[0];
  r.y = kp * pv[1] + kq * qv[1];
  r.z = kp * pv[2] + kq * qv[2];
  r.w = kp * pv[3] + kq * qv[3];
  return r;
}

// out = A * B, written in place (out must be neither A nor B): applying it equals applying B
// first, then A. Each element is stored once, finished: a row stored whole and then patched in one
// lane, or a result built on the stack and copied, is read back slowly (a wide load cannot take
// its bytes from several narrower stores).
inline void ConcatAffineTo(const Matrix34& a, const Matrix34& b, Matrix34& out) {
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
