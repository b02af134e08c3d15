#include "import/host_space.h"

#include <cmath>

namespace korva::import {

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

}  // namespace korva::import
