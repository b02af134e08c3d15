#include "model/d3d_types.h"

namespace korva {

D3DXMATRIX IdentityMatrix() {
  D3DXMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

}  // namespace korva
