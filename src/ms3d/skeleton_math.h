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
// column 3 is left as it was.
void QuaternionToRotation(const Quaternion& q, Matrix34& matrix);

// Spherical interpolation from p (t = 0) to q (t = 1) along the shorter arc; falls back to
// linear weights for nearly equal quaternions. The result is not normalised.
Quaternion SlerpQuaternion(const Quaternion& p, const Quaternion& q, float t);

// A * B: applying the result equals applying B first, then A.
Matrix34 ConcatAffine(const Matrix34& a, const Matrix34& b);

}  // namespace korva
