// sBone: one bone of a mesh (344 bytes, a binary contract with the host).
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/d3d_types.h"
#include "model/host_layout.h"

namespace korva {

KORVA_HOST_RECORDS_BEGIN
struct sBone {
  char name[256];
  int32_t vertexCount;      // number of influenced vertices
  uint32_t* vertices;       // vertexCount indices (owned)
  float* weights;           // vertexCount weights, parallel to vertices (owned)
  D3DXMATRIX offsetMatrix;  // zero by default
  uint8_t host14C[12];
};
KORVA_HOST_RECORDS_END

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sBone) == 344);
static_assert(offsetof(sBone, vertexCount) == 0x100);
static_assert(offsetof(sBone, vertices) == 0x104);
static_assert(offsetof(sBone, weights) == 0x108);
static_assert(offsetof(sBone, offsetMatrix) == 0x10C);
static_assert(offsetof(sBone, host14C) == 0x14C);
#endif

// Every byte zero.
void ConstructBone(sBone* bone);

// Frees the index and weight arrays and nulls them.
void ReleaseBone(sBone* bone);

}  // namespace korva
