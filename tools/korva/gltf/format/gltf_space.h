// The host's left-handed, row-vector space seen as glTF's right-handed, column-vector one: z is
// mirrored, and matrices, points and rotations are carried over consistently.
#pragma once

#include <array>
#include <cmath>

#include "model/d3d_types.h"

namespace korva::gltf {

// Column-vector matrix, m[row][column], in double so chains of frames and inversions keep their
// precision until the floats are written.
struct Mat4 {
  double m[4][4];
};

Mat4 Identity();
Mat4 Multiply(const Mat4& a, const Mat4& b);
// False for a singular matrix.
bool Invert(const Mat4& in, Mat4* out);

// The host matrix (p' = p x H) as the glTF matrix that does the same to the mirrored points.
Mat4 FromHost(const D3DXMATRIX& host);
// The inverse of FromHost: a glTF matrix as the host matrix (rounded to float).
D3DXMATRIX ToHost(const Mat4& gltf);
// A host point or direction, mirrored.
std::array<double, 3> MirrorPoint(const D3DXVECTOR3& v);
// A glTF point or direction as the host's (the mirror is its own inverse).
inline D3DXVECTOR3 HostPoint(const std::array<double, 3>& v) {
  return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(-v[2])};
}
// A glTF scale as the host's: the mirror leaves scales as they are.
inline D3DXVECTOR3 HostScale(const std::array<double, 3>& s) {
  return {static_cast<float>(s[0]), static_cast<float>(s[1]), static_cast<float>(s[2])};
}
// A host rotation (x, y, z, w) as the same turn of the mirrored space.
std::array<double, 4> MirrorQuaternion(const D3DXQUATERNION& q);
// A glTF rotation (x, y, z, w) as the host's.
inline D3DXQUATERNION HostQuaternion(const std::array<double, 4>& q) {
  return {static_cast<float>(-q[0]), static_cast<float>(-q[1]), static_cast<float>(q[2]),
          static_cast<float>(q[3])};
}
// Unit quaternion, or identity when it has no length or is not finite. Inline, like the two above:
// the reader calls them once per animation key.
inline std::array<double, 4> NormalizeQuaternion(std::array<double, 4> q) {
  const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (!(length > 1e-12) || !std::isfinite(length)) return {0, 0, 0, 1};
  for (double& c : q) c /= length;
  return q;
}

struct Trs {
  std::array<double, 3> translation{0, 0, 0};
  std::array<double, 4> rotation{0, 0, 0, 1};  // x, y, z, w
  std::array<double, 3> scale{1, 1, 1};
};

// translation x rotation x scale as one matrix.
Mat4 Compose(const Trs& trs);
// Splits an affine matrix into translation, rotation and scale (a mirroring matrix gets a negative
// x scale); false when it is not affine, not finite or holds shear, which TRS cannot express.
bool Decompose(const Mat4& c, Trs* trs);

}  // namespace korva::gltf
