// sTexture: one texture stage of a mesh (328 bytes, a binary contract with the host).
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/host_layout.h"

namespace korva {

KORVA_HOST_RECORDS_BEGIN
struct sTexture {
  char name[256];  // texture file name
  int32_t host100;
  void* texture;           // IDirect3DTexture9, not owned
  void* ownedInterface;    // COM interface owned by the record, Released with it
  int32_t stage;           // saved under 142
  int32_t blendOperation;  // 143, a texture operation value
  int32_t blendArgument1;  // 144
  int32_t blendArgument2;  // 145
  int32_t addressU;        // 146
  int32_t addressV;        // 147
  int32_t magFilter;       // 148
  int32_t minFilter;       // 149
  int32_t mipFilter;       // 150
  int32_t setting151;
  int32_t setting152;
  int32_t setting153;
  uint8_t host13C[12];
};
KORVA_HOST_RECORDS_END

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sTexture) == 328);
static_assert(offsetof(sTexture, host100) == 0x100);
static_assert(offsetof(sTexture, texture) == 0x104);
static_assert(offsetof(sTexture, ownedInterface) == 0x108);
static_assert(offsetof(sTexture, stage) == 0x10C);
static_assert(offsetof(sTexture, blendOperation) == 0x110);
static_assert(offsetof(sTexture, blendArgument1) == 0x114);
static_assert(offsetof(sTexture, blendArgument2) == 0x118);
static_assert(offsetof(sTexture, addressU) == 0x11C);
static_assert(offsetof(sTexture, addressV) == 0x120);
static_assert(offsetof(sTexture, magFilter) == 0x124);
static_assert(offsetof(sTexture, minFilter) == 0x128);
static_assert(offsetof(sTexture, mipFilter) == 0x12C);
static_assert(offsetof(sTexture, setting151) == 0x130);
static_assert(offsetof(sTexture, setting152) == 0x134);
static_assert(offsetof(sTexture, setting153) == 0x138);
static_assert(offsetof(sTexture, host13C) == 0x13C);
#endif

// The host's defaults: blend operation 2, address modes 1, filters 2, every other byte zero.
void ConstructTexture(sTexture* texture);

// Releases the owned interface (its Release, then null). The texture at 0x104 is not touched.
void ReleaseTexture(sTexture* texture);

}  // namespace korva
