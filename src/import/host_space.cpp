#include "import/host_space.h"

#include <cmath>

namespace korva::import {

D3DXMATRIX MirroredHostMatrix(const Matrix34& m) {
  // Mirroring negates the elements that mix x with another axis, and the x of the translation.
  const float sign[3] = {-1.0f, 1.0f, 1.0f};
  D3DXMATRIX h{};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      h.m[column][row] = sign[row] * sign[column] * m.m[row][column];
    }
    h.m[3][row] = sign[row] * m.m[row][3];
  }
  h.m[3][3] = 1.0f;
  return h;
}

D3DXMATRIX ConcatHostAffine(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX out{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 3; ++column) {
      out.m[row][column] = a.m[row][0] * b.m[0][column] + a.m[row][1] * b.m[1][column] +
                           a.m[row][2] * b.m[2][column];
    }
  }
  for (int column = 0; column < 3; ++column) out.m[3][column] += b.m[3][column];
  out.m[3][3] = 1.0f;
  return out;
}

D3DXMATRIX InverseRigidHostMatrix(const D3DXMATRIX& m) {
  D3DXMATRIX out{};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) out.m[row][column] = m.m[column][row];
  }
  for (int column = 0; column < 3; ++column) {
    out.m[3][column] =
        -(m.m[3][0] * m.m[column][0] + m.m[3][1] * m.m[column][1] + m.m[3][2] * m.m[column][2]);
  }
  out.m[3][3] = 1.0f;
  return out;
}

D3DXQUATERNION HostRotationQuaternion(const D3DXMATRIX& m) {
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
