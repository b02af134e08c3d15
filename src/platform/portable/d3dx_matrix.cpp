#include "platform/d3dx_matrix.h"

#include <cmath>

namespace korva::platform {

D3DXMATRIX* MatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  *out = IdentityMatrix();
  out->m[0][0] = sx;
  out->m[1][1] = sy;
  out->m[2][2] = sz;
  return out;
}

namespace {
// The rotation by `angle` about one axis, in the plane of axes a and b (the next two in turn:
// y and z for x, z and x for y, x and y for z), as the utility library lays it out for row vectors.
D3DXMATRIX* AxisRotation(D3DXMATRIX* out, float angle, int a, int b) {
  const float s = std::sin(angle), c = std::cos(angle);
  *out = IdentityMatrix();
  out->m[a][a] = c;
  out->m[a][b] = s;
  out->m[b][a] = -s;
  out->m[b][b] = c;
  return out;
}
}  // namespace

D3DXMATRIX* MatrixRotationX(D3DXMATRIX* out, float angle) {
  return AxisRotation(out, angle, 1, 2);
}

D3DXMATRIX* MatrixRotationY(D3DXMATRIX* out, float angle) {
  return AxisRotation(out, angle, 2, 0);
}

D3DXMATRIX* MatrixRotationZ(D3DXMATRIX* out, float angle) {
  return AxisRotation(out, angle, 0, 1);
}

D3DXMATRIX* MatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  *out = IdentityMatrix();
  out->m[3][0] = x;
  out->m[3][1] = y;
  out->m[3][2] = z;
  return out;
}

D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX product;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      product.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] +
                        a->m[r][2] * b->m[2][c] + a->m[r][3] * b->m[3][c];
    }
  }
  *out = product;
  return out;
}

}  // namespace korva::platform
