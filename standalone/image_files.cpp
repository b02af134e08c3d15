#include "standalone/image_files.h"

#include <climits>

// The one copy of the decoder in any program that links the host. The decoder's own bound is set
// to ours, so no image it decodes can pass it even if the header check were skipped.
#define STBI_MAX_DIMENSIONS 8192
#define STBI_FAILURE_USERMSG
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace korva::standalone {
static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide, "the decoder's bound is ours");

namespace {

int ByteCount(size_t size) {
  return size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

}  // namespace

bool ReadImageSize(const uint8_t* data, size_t size, int* width, int* height,
                   std::string* problem) {
  int x = 0;
  int y = 0;
  int channels = 0;
  if (!data || size > static_cast<size_t>(INT_MAX) ||
      !stbi_info_from_memory(data, ByteCount(size), &x, &y, &channels)) {
    *problem = std::string("not an image file the decoder reads (") + stbi_failure_reason() + ")";
    return false;
  }
  // A BMP stored top-down gives its height as a negative number; INT_MIN has no positive twin,
  // and the decoder would negate it.
  if (y < 0 && y != INT_MIN) y = -y;
  if (x <= 0 || y <= 0 || x > kMaxImageSide || y > kMaxImageSide) {
    *problem = "image of " + std::to_string(x) + " x " + std::to_string(y) + " pixels, more than " +
               std::to_string(kMaxImageSide) + " on a side or none";
    return false;
  }
  *width = x;
  *height = y;
  return true;
}

uint8_t* DecodeImage(const uint8_t* data, size_t size, int* width, int* height,
                     std::string* problem) {
  int x = 0;
  int y = 0;
  if (!ReadImageSize(data, size, &x, &y, problem)) return nullptr;
  int channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(data, ByteCount(size), &x, &y, &channels, 4);
  if (!pixels || x <= 0 || y <= 0) {
    stbi_image_free(pixels);
    *problem = std::string("cannot be decoded (") + stbi_failure_reason() + ")";
    return nullptr;
  }
  *width = x;
  *height = y;
  return pixels;
}

void FreeImage(uint8_t* pixels) {
  stbi_image_free(pixels);
}

}  // namespace korva::standalone
