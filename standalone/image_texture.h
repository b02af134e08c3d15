// The standalone host's texture: a COM-style object (first member the interface table of
// QueryInterface, AddRef and Release, all stdcall) holding a decoded image as RGBA pixels.
#pragma once

#include <cstdint>

#include "model/host_calls.h"

namespace korva::standalone {

class ImageTextureDevice;

struct ImageTexture;
struct ImageTextureInterface {
  int32_t(KORVA_STDCALL* QueryInterface)(ImageTexture* self, const void* id, void** object);
  uint32_t(KORVA_STDCALL* AddRef)(ImageTexture* self);
  uint32_t(KORVA_STDCALL* Release)(ImageTexture* self);
};

struct ImageTexture {
  const ImageTextureInterface* interface;
  uint32_t references;
  int32_t width;
  int32_t height;
  uint8_t* pixels;  // width x height x 4 bytes, rows top to bottom; null when not decoded
  ImageTextureDevice* device;
};

}  // namespace korva::standalone
