#include "ms3d/skeleton_math.h"

#include <cmath>

namespace korva {

Matrix34 IdentityMatrix34() {
  Matrix34 identity;
  identity.m[0][0] = identity.m[1][1] = identity.m[2][2] = 1.0f;
  return identity;
}

Matrix34 EulerToMatrix(const float angles[3]) {
  const float sx = std::sin(angles[0]), cx = std::cos(angles[0]);
  const float sy = std::sin(angles[1]), cy = std::cos(angles[1]);
  const float sz = std::sin(angles[2]), cz = std::cos(angles[2]);
  Matrix34 r;
  r.m[0][0] = cy * cz;
  r.m[0][1] = sx * sy * cz - cx * sz;
  r.m[0][2] = cx * sy * cz + sx * sz;
  r.m[1][0] = cy * sz;
  r.m[1][1] = sx * sy * sz + cx * cz;
  r.m[1][2] = cx * sy * sz - sx * cz;
  r.m[2][0] = -sy;
  r.m[2][1] = sx * cy;
  r.m[2][2] = cx * cy;
  return r;
}

void QuaternionToRotation(const Quaternion& q, Matrix34& matrix) {
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

Quaternion SlerpQuaternion(const Quaternion& p, const Quaternion& qIn, float t) {
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

Matrix34 ConcatAffine(const Matrix34& a, const Matrix34& b) {
  Matrix34 out;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
    }
    out.m[r][3] += a.m[r][3];
  }
  return out;
}

}  // namespace korva
