#include "platform/d3dx_matrix.h"

#include <d3dx9math.h>

namespace korva::platform {
namespace {
::D3DXMATRIX* Native(D3DXMATRIX* m) {
  return reinterpret_cast<::D3DXMATRIX*>(m);
}
const ::D3DXMATRIX* Native(const D3DXMATRIX* m) {
  return reinterpret_cast<const ::D3DXMATRIX*>(m);
}
}  // namespace

D3DXMATRIX* MatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  ::D3DXMatrixScaling(Native(out), sx, sy, sz);
  return out;
}
D3DXMATRIX* MatrixRotationX(D3DXMATRIX* out, float angle) {
  ::D3DXMatrixRotationX(Native(out), angle);
  return out;
}
D3DXMATRIX* MatrixRotationY(D3DXMATRIX* out, float angle) {
  ::D3DXMatrixRotationY(Native(out), angle);
  return out;
}
D3DXMATRIX* MatrixRotationZ(D3DXMATRIX* out, float angle) {
  ::D3DXMatrixRotationZ(Native(out), angle);
  return out;
}
D3DXMATRIX* MatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  ::D3DXMatrixTranslation(Native(out), x, y, z);
  return out;
}
D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  ::D3DXMatrixMultiply(Native(out), Native(a), Native(b));
  return out;
}

}  // namespace korva::platform
