#include "render/render_math.h"

#include <cmath>

namespace korva::render {

Vec3 Normalize(Vec3 v) {
  const float length = std::sqrt(Dot(v, v));
  if (!(length > 0.0f) || !std::isfinite(length)) return {};
  return v * (1.0f / length);
}

D3DXMATRIX Multiply(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX result{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[row][k] * b.m[k][column];
      result.m[row][column] = sum;
    }
  }
  return result;
}

Vec3 TransformPoint(Vec3 p, const D3DXMATRIX& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

Vec3 TransformNormal(Vec3 n, const D3DXMATRIX& m) {
  // Rows of the upper 3x3 are the images of the axes; the inverse transpose is built from their
  // cross products (the cofactor matrix), divided by the determinant.
  const Vec3 r0{m.m[0][0], m.m[0][1], m.m[0][2]};
  const Vec3 r1{m.m[1][0], m.m[1][1], m.m[1][2]};
  const Vec3 r2{m.m[2][0], m.m[2][1], m.m[2][2]};
  const Vec3 c0 = Cross(r1, r2);
  const Vec3 c1 = Cross(r2, r0);
  const Vec3 c2 = Cross(r0, r1);
  const float determinant = Dot(r0, c0);
  if (std::fabs(determinant) < 1e-20f) {
    return Normalize(r0 * n.x + r1 * n.y + r2 * n.z);
  }
  // Dividing by the determinant only scales the result, except for its sign, which a mirroring
  // frame needs to keep normals pointing outwards.
  const Vec3 result = c0 * n.x + c1 * n.y + c2 * n.z;
  return Normalize(determinant > 0 ? result : result * -1.0f);
}

}  // namespace korva::render
