#include "ms3d/skeleton_math.h"

#include <cmath>

namespace korva {

Matrix34 IdentityMatrix34() {
  Matrix34 identity;
  identity.m[0][0] = identity.m[1][1] = identity.m[2][2] = 1.0f;
  return identity;
}

Matrix34 EulerToMatrix(const float angles[3]) {
  float sx, cx, sy, cy, sz, cz;
  SineCosine(angles[0], sx, cx);
  SineCosine(angles[1], sy, cy);
  SineCosine(angles[2], sz, cz);
  Matrix34 r;
  r.m[0][0] = cy * cz;
  r.m[0][1] = sx * sy * cz - cx * sz;
  r.m[0][2] = cx * sy * cz + sx * sz;
  r.m[1][0] = cy * sz;
  r.m[1][1] = sx * sy * sz + cx * cz;
  r.m[1][2] = cx * sy * sz - sx * cz;
  r.m[2][0] = -sy;
  r.m[2][1] = sx * cy;
  r.m[2][2] = cx * cy;
  return r;
}

}  // namespace korva
