// Vectors and row-vector matrices as the host composes them: a point p maps to p x M.
#pragma once

#include "model/d3d_types.h"

namespace korva::render {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// The unit vector along `v`; (0,0,0) stays (0,0,0).
Vec3 Normalize(Vec3 v);

// a x b as the host multiplies matrices: applying the result equals applying a, then b.
D3DXMATRIX Multiply(const D3DXMATRIX& a, const D3DXMATRIX& b);

// p x M with w = 1.
Vec3 TransformPoint(Vec3 p, const D3DXMATRIX& m);

// The direction of normal n after M: multiplied by the inverse transpose of M's upper 3x3, so
// non-uniform scales keep normals perpendicular to their surfaces; the result is unit length.
// A singular matrix falls back to the plain 3x3 product.
Vec3 TransformNormal(Vec3 n, const D3DXMATRIX& m);

}  // namespace korva::render
