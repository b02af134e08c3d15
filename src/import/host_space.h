// The model's space as the host sees it: mirrored in x (the import negates every vertex x), with
// points as row vectors (p x M) where the model's transforms act on columns (M p). Plain float
// arithmetic throughout, so every build of the plug-in gives the same bits.
#pragma once

#include <cmath>

#include "model/d3d_types.h"
#include "ms3d/skeleton_math.h"

namespace korva::import {

// Writes into `h` the host matrix of the model transform `m` mirrored in x (S m S with
// S = diag(-1, 1, 1)), each element once: a matrix built on the stack and copied is read back
// slowly (a wide load cannot take its bytes from several narrower stores). Inline, as
// HostRotationQuaternion: an import turns every key it writes with both.
inline void MirrorToHostMatrix(const Matrix34& m, D3DXMATRIX& h) {
  // Mirroring negates the elements that mix x with another axis, and the x of the translation.
  const float sign[3] = {-1.0f, 1.0f, 1.0f};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      h.m[column][row] = sign[row] * sign[column] * m.m[row][column];
    }
    h.m[row][3] = 0.0f;
    h.m[3][row] = sign[row] * m.m[row][3];
  }
  h.m[3][3] = 1.0f;
}

// The same matrix, returned.
inline D3DXMATRIX MirroredHostMatrix(const Matrix34& m) {
  D3DXMATRIX h;
  MirrorToHostMatrix(m, h);
  return h;
}

// a x b for affine host matrices (last column 0, 0, 0, 1): b applied after a.
D3DXMATRIX ConcatHostAffine(const D3DXMATRIX& a, const D3DXMATRIX& b);

// The inverse of a host matrix whose rows 0 to 2 are a rotation: the rotation transposed, the
// translation turned back by it.
D3DXMATRIX InverseRigidHostMatrix(const D3DXMATRIX& m);

// The unit quaternion whose rotation matrix, in the host's convention, is rows 0 to 2 of `m`
// (a rotation, up to rounding). Its sign is whichever keeps the largest component positive.
inline D3DXQUATERNION HostRotationQuaternion(const D3DXMATRIX& m) {
  // The host's matrix of a quaternion is the transpose of the column-vector rotation r.
  const auto r = [&m](int row, int column) { return m.m[column][row]; };
  const float trace = r(0, 0) + r(1, 1) + r(2, 2);
  float x, y, z, w;
  // Start from the largest component, where the square root is far from zero.
  if (trace > 0.0f) {
    const float s = 2.0f * std::sqrt(1.0f + trace);
    w = 0.25f * s;
    x = (r(2, 1) - r(1, 2)) / s;
    y = (r(0, 2) - r(2, 0)) / s;
    z = (r(1, 0) - r(0, 1)) / s;
  } else if (r(0, 0) >= r(1, 1) && r(0, 0) >= r(2, 2)) {
    const float s = 2.0f * std::sqrt(std::fmax(1.0f + r(0, 0) - r(1, 1) - r(2, 2), 0.0f));
    x = 0.25f * s;
    w = s > 0.0f ? (r(2, 1) - r(1, 2)) / s : 1.0f;
    y = s > 0.0f ? (r(0, 1) + r(1, 0)) / s : 0.0f;
    z = s > 0.0f ? (r(0, 2) + r(2, 0)) / s : 0.0f;
  } else if (r(1, 1) >= r(2, 2)) {
    const float s = 2.0f * std::sqrt(std::fmax(1.0f + r(1, 1) - r(0, 0) - r(2, 2), 0.0f));
    y = 0.25f * s;
    w = s > 0.0f ? (r(0, 2) - r(2, 0)) / s : 1.0f;
    x = s > 0.0f ? (r(0, 1) + r(1, 0)) / s : 0.0f;
    z = s > 0.0f ? (r(1, 2) + r(2, 1)) / s : 0.0f;
  } else {
    const float s = 2.0f * std::sqrt(std::fmax(1.0f + r(2, 2) - r(0, 0) - r(1, 1), 0.0f));
    z = 0.25f * s;
    w = s > 0.0f ? (r(1, 0) - r(0, 1)) / s : 1.0f;
    x = s > 0.0f ? (r(0, 2) + r(2, 0)) / s : 0.0f;
    y = s > 0.0f ? (r(1, 2) + r(2, 1)) / s : 0.0f;
  }
  // Posed rotations come from interpolated quaternions that are unit only up to rounding.
  const float length = std::sqrt(x * x + y * y + z * z + w * w);
  if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f, 1.0f};
  return {x / length, y / length, z / length, w / length};
}

}  // namespace korva::import
