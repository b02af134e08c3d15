// Direct3D 9 value types as the host's records hold them. Our own definitions, laid out exactly as
// the Direct3D 9 headers lay them out, so that the plug-in compiles the same on every platform.
#pragma once

#include <cstdint>

namespace korva {

struct D3DXVECTOR3 {
  float x, y, z;
};

struct D3DXQUATERNION {
  float x, y, z, w;
};

// 16 floats in row order; a point p maps to p x M (row vectors).
struct D3DXMATRIX {
  float m[4][4];
};

struct D3DCOLORVALUE {
  float r, g, b, a;
};

struct D3DMATERIAL9 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power;
};

struct D3DVERTEXELEMENT9 {
  uint16_t Stream;
  uint16_t Offset;
  uint8_t Type;
  uint8_t Method;
  uint8_t Usage;
  uint8_t UsageIndex;
};

// Files store these raw: the same size in every build.
static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXQUATERNION) == 16);
static_assert(sizeof(D3DXMATRIX) == 64);
static_assert(sizeof(D3DMATERIAL9) == 68);
static_assert(sizeof(D3DVERTEXELEMENT9) == 8);

// The identity matrix.
D3DXMATRIX IdentityMatrix();

}  // namespace korva
