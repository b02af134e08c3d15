#include "standalone/image_files.h"

#include <algorithm>
#include <climits>
#include <cstring>

// The one copy of the decoder in any program that links the host. The decoder's own bound is set
// to ours, so no image it decodes can pass it even if the header check were skipped.
#define STBI_MAX_DIMENSIONS 8192
#define STBI_FAILURE_USERMSG
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace korva::standalone {
static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide, "the decoder's bound is ours");

namespace {

// The bytes handed to the decoder through its reading callbacks rather than as one memory block:
// on a block, the decoder skips a length read from the file by moving its pointer however far
// that is, past the block's end; a skip through the callbacks is bounded here.
struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
};

int ReadBytes(void* user, char* out, int count) {
  auto* reader = static_cast<MemoryReader*>(user);
  const size_t wanted = count > 0 ? static_cast<size_t>(count) : 0;
  const size_t taken = std::min(wanted, reader->size - reader->at);
  std::memcpy(out, reader->data + reader->at, taken);
  reader->at += taken;
  return static_cast<int>(taken);
}

void SkipBytes(void* user, int count) {
  auto* reader = static_cast<MemoryReader*>(user);
  const int64_t target = static_cast<int64_t>(reader->at) + count;  // negative: back up
  reader->at = target < 0 ? 0 : std::min(reader->size, static_cast<size_t>(target));
}

int AtEnd(void* user) {
  const auto* reader = static_cast<const MemoryReader*>(user);
  return reader->at >= reader->size ? 1 : 0;
}

const stbi_io_callbacks kCallbacks = {&ReadBytes, &SkipBytes, &AtEnd};

}  // namespace

bool ReadImageSize(const uint8_t* data, size_t size, int* width, int* height,
                   std::string* problem) {
  int x = 0;
  int y = 0;
  int channels = 0;
  MemoryReader reader{data, size};
  if (!data || size > static_cast<size_t>(INT_MAX) ||
      !stbi_info_from_callbacks(&kCallbacks, &reader, &x, &y, &channels)) {
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
  MemoryReader reader{data, size};
  stbi_uc* pixels = stbi_load_from_callbacks(&kCallbacks, &reader, &x, &y, &channels, 4);
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
