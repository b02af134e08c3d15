// sSubMaterial: one entry of a mesh's material list (340 bytes, a binary contract with the host).
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/d3d_types.h"
#include "model/host_layout.h"

namespace korva {

KORVA_HOST_RECORDS_BEGIN
struct sSubMaterial {
  char name[256];
  void* hostReference;  // not saved
  D3DMATERIAL9 material;
  int32_t value163;
  int32_t value164;
  int32_t value165;
};
KORVA_HOST_RECORDS_END

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sSubMaterial) == 340);
static_assert(offsetof(sSubMaterial, hostReference) == 0x100);
static_assert(offsetof(sSubMaterial, material) == 0x104);
static_assert(offsetof(sSubMaterial, value163) == 0x148);
static_assert(offsetof(sSubMaterial, value164) == 0x14C);
static_assert(offsetof(sSubMaterial, value165) == 0x150);
#endif

}  // namespace korva
