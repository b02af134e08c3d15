// Texture files as the standalone host turns them into textures, decoding their pixels: no crash,
// no read past the bytes, no undefined behaviour in the decoder, and a texture that loads has a
// size within the bound and every pixel of it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "standalone/image_files.h"
#include "standalone/image_texture_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korva::standalone::ImageTextureDevice device;
  void* made = nullptr;
  if (device.CreateTextureFromMemory(data, size, &made) != 0) {
    if (made) korva::fuzz::Fail("a failed texture was handed out");
    return 0;
  }
  auto* texture = static_cast<korva::standalone::ImageTexture*>(made);
  const int side = korva::standalone::kMaxImageSide;
  if (texture->width <= 0 || texture->height <= 0 || texture->width > side ||
      texture->height > side || !texture->pixels) {
    korva::fuzz::Fail("a texture outside the size bound or without pixels");
  }
  // Touches every byte, so a block shorter than width x height x 4 shows under the sanitizer.
  uint8_t sum = 0;
  const size_t bytes =
      static_cast<size_t>(texture->width) * static_cast<size_t>(texture->height) * 4;
  for (size_t i = 0; i < bytes; ++i) sum = static_cast<uint8_t>(sum + texture->pixels[i]);
  volatile uint8_t keep = sum;
  (void)keep;
  texture->interface->Release(texture);
  if (device.liveTextures() != 0) korva::fuzz::Fail("the texture was not freed");
  return 0;
}
