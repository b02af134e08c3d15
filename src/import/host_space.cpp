#include "import/host_space.h"

#include <cmath>

namespace korva::import {

D3DXMATRIX ConcatHostAffine(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  // A row of the product is a's row applied to b's rows, its columns in lanes: each lane sums the
  // same three products in the same order as the element written alone. Column 3 is set after.
  const Lanes b0 = LoadLanes(b.m[0]), b1 = LoadLanes(b.m[1]), b2 = LoadLanes(b.m[2]);
  D3DXMATRIX out;
  for (int row = 0; row < 4; ++row) {
    Lanes sum = a.m[row][0] * b0 + a.m[row][1] * b1 + a.m[row][2] * b2;
    if (row == 3) sum += LoadLanes(b.m[3]);
    sum[3] = row == 3 ? 1.0f : 0.0f;
    StoreLanes(sum, out.m[row]);
  }
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
