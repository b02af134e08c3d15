// The model's space as the host sees it: mirrored in x (the import negates every vertex x), with
// points as row vectors (p x M) where the model's transforms act on columns (M p). Plain float
// arithmetic throughout, so every build of the plug-in gives the same bits.
#pragma once

#include <cmath>
#include <type_traits>

#include "model/d3d_types.h"
#include "ms3d/skeleton_math.h"

namespace korva::import {

// Writes into `h` the host matrix of the model transform `m` mirrored in x (S m S with
// S = diag(-1, 1, 1)), each element once: a matrix built on the stack and copied is read back
// slowly (a wide load cannot take its bytes from several narrower stores). Mirroring negates the
// elements that mix x with another axis, and the x of the translation. For a Matrix34 and a
// D3DXMATRIX, or a Matrix34Lanes and a HostMatrixLanes (four, the same operations in each lane).
// Inline, as HostRotationQuaternion: an import turns every key it writes with both.
template <typename Model, typename Host>
inline void MirrorToHostMatrix(const Model& m, Host& h) {
  using Element = std::remove_reference_t<decltype(h.m[0][0])>;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const bool mixesX = (row == 0) != (column == 0);
      h.m[column][row] = mixesX ? -m.m[row][column] : m.m[row][column];
    }
    h.m[row][3] = Element{};
    h.m[3][row] = row == 0 ? -m.m[row][3] : m.m[row][3];
  }
  h.m[3][3] = Element{} + 1.0f;
}

// Four host matrices, lane i of each element the element of the i-th.
struct HostMatrixLanes {
  Lanes m[4][4];
};

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

namespace host_space_detail {

// The quaternion of the rotation r(row, column) when its trace is positive, from w, the largest
// component, where the square root is far from zero. For floats or Lanes.
template <typename T, typename Rotation>
inline void QuaternionOfPositiveTrace(const Rotation& r, T trace, T& x, T& y, T& z, T& w) {
  const T s = 2.0f * SquareRoot(1.0f + trace);
  w = 0.25f * s;
  x = (r(2, 1) - r(1, 2)) / s;
  y = (r(0, 2) - r(2, 0)) / s;
  z = (r(1, 0) - r(0, 1)) / s;
}

// (x, y, z, w) divided by its length; the identity where the length is zero or not finite.
// Posed rotations come from interpolated quaternions that are unit only up to rounding.
template <typename T>
inline void NormaliseOrIdentity(T& x, T& y, T& z, T& w) {
  const T length = SquareRoot(x * x + y * y + z * z + w * w);
  const auto valid = PositiveFinite(length);
  const T zero = {};
  x = Select(valid, x / length, zero);
  y = Select(valid, y / length, zero);
  z = Select(valid, z / length, zero);
  w = Select(valid, w / length, zero + 1.0f);
}

}  // namespace host_space_detail

// The unit quaternion whose rotation matrix, in the host's convention, is rows 0 to 2 of `m`
// (a rotation, up to rounding). Its sign is whichever keeps the largest component positive.
inline D3DXQUATERNION HostRotationQuaternion(const D3DXMATRIX& m) {
  // The host's matrix of a quaternion is the transpose of the column-vector rotation r.
  const auto r = [&m](int row, int column) { return m.m[column][row]; };
  const float trace = r(0, 0) + r(1, 1) + r(2, 2);
  float x, y, z, w;
  // Start from the largest component, where the square root is far from zero.
  if (trace > 0.0f) {
    host_space_detail::QuaternionOfPositiveTrace(r, trace, x, y, z, w);
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
  host_space_detail::NormaliseOrIdentity(x, y, z, w);
  return {x, y, z, w};
}

// HostRotationQuaternion of each of four host matrices, bit for bit, as q[0..3] (x, y, z, w; lane i
// the quaternion of matrix i): worked in lanes when every trace is positive (rotations by less than
// 120 degrees, most keys), else one by one.
inline void HostRotationQuaternions(const HostMatrixLanes& m, Lanes q[4]) {
  const auto r = [&m](int row, int column) { return m.m[column][row]; };
  const Lanes trace = r(0, 0) + r(1, 1) + r(2, 2);
  if (AllLanes(trace > 0.0f)) {
    host_space_detail::QuaternionOfPositiveTrace(r, trace, q[0], q[1], q[2], q[3]);
    host_space_detail::NormaliseOrIdentity(q[0], q[1], q[2], q[3]);
    return;
  }
  for (int lane = 0; lane < kLaneCount; ++lane) {
    D3DXMATRIX one;
    for (int row = 0; row < 4; ++row) {
      for (int column = 0; column < 4; ++column) one.m[row][column] = m.m[row][column][lane];
    }
    const D3DXQUATERNION quaternion = HostRotationQuaternion(one);
    q[lane] = LoadLanes(&quaternion);
  }
  // Quaternions to components.
  Transpose(q);
}

}  // namespace korva::import
