#include "gltf/decode/gltf_webp_image.h"

#include <cstring>

#include "render/image.h"
#if KORVA_HAVE_WEBP
#include <webp/decode.h>
#endif

namespace korva::gltf::decode {

bool IsWebp(const uint8_t* bytes, size_t size) {
  return size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0;
}

#if KORVA_HAVE_WEBP
WebpStatus WebpSize(const uint8_t* bytes, size_t size, int* width, int* height) {
  return WebPGetInfo(bytes, size, width, height) && *width > 0 && *height > 0
             ? WebpStatus::kConverted
             : WebpStatus::kNotDecodable;
}

WebpStatus WebpToPng(const uint8_t* bytes, size_t size, std::vector<uint8_t>* png) {
  int width = 0, height = 0;
  uint8_t* rgba = WebPDecodeRGBA(bytes, size, &width, &height);
  if (!rgba) return WebpStatus::kNotDecodable;
  render::Image image(width, height);
  const uint8_t* pixel = rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, pixel += 4)
      image.set(x, y, {pixel[0], pixel[1], pixel[2], pixel[3]});
  }
  WebPFree(rgba);
  return render::EncodePng(image, png) ? WebpStatus::kConverted : WebpStatus::kNotDecodable;
}
#else
WebpStatus WebpSize(const uint8_t*, size_t, int*, int*) {
  return WebpStatus::kNoDecoder;
}

WebpStatus WebpToPng(const uint8_t*, size_t, std::vector<uint8_t>*) {
  return WebpStatus::kNoDecoder;
}
#endif

}  // namespace korva::gltf::decode
