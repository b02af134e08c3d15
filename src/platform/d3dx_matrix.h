// The matrix functions of the Direct3D 9 utility library, as the plug-in uses them (row vectors: a
// point p maps to p x M). On Windows these are the utility library's own.
#pragma once

#include "model/d3d_types.h"

namespace korva::platform {

D3DXMATRIX* MatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* MatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* MatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* MatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* MatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
// out = a x b; `out` may be `a` or `b`.
D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);

}  // namespace korva::platform
