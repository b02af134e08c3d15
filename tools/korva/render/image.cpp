#include "render/image.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

// Our own private copies of the stb coders: static linkage keeps them from clashing with the
// copies that the standalone host compiles into its library.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace korva::render {
namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// Pictures larger than this are refused rather than risk an allocation the machine cannot make.
constexpr int kMaxSide = 16384;
}  // namespace

bool ParseHexColor(const std::string& text, Color* color) {
  std::string digits = text;
  if (!digits.empty() && digits[0] == '#') digits.erase(0, 1);
  if (digits.size() != 6) return false;
  uint8_t channels[3];
  for (int i = 0; i < 3; ++i) {
    const int high = HexDigit(digits[2 * i]);
    const int low = HexDigit(digits[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    channels[i] = static_cast<uint8_t>(high * 16 + low);
  }
  *color = Color{channels[0], channels[1], channels[2], 255};
  return true;
}

Image::Image(int width, int height, Color fill) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return;
  width_ = width;
  height_ = height;
  pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  for (size_t i = 0; i < pixels_.size(); i += 4) {
    pixels_[i] = fill.r;
    pixels_[i + 1] = fill.g;
    pixels_[i + 2] = fill.b;
    pixels_[i + 3] = fill.a;
  }
}

Color Image::at(int x, int y) const {
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + x) * 4;
  return Color{pixels_[i], pixels_[i + 1], pixels_[i + 2], pixels_[i + 3]};
}

void Image::set(int x, int y, Color color) {
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + x) * 4;
  pixels_[i] = color.r;
  pixels_[i + 1] = color.g;
  pixels_[i + 2] = color.b;
  pixels_[i + 3] = color.a;
}

namespace {
// Moves stb's RGBA pixels into `*image` and frees them; `what` names the source in errors.
bool TakeDecoded(stbi_uc* data, int width, int height, const std::string& what, Image* image,
                 std::string* error) {
  Image loaded(width, height);
  if (loaded.empty()) {
    stbi_image_free(data);
    *error = "image too large: " + what;
    return false;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const stbi_uc* p = data + (static_cast<size_t>(y) * width + x) * 4;
      loaded.set(x, y, Color{p[0], p[1], p[2], p[3]});
    }
  }
  stbi_image_free(data);
  *image = std::move(loaded);
  return true;
}
}  // namespace

bool LoadImageFile(const std::string& path, Image* image, std::string* error) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* data = stbi_load(path.c_str(), &width, &height, &channels, 4);
  if (!data) {
    *error = std::string("cannot read image ") + path + ": " + stbi_failure_reason();
    return false;
  }
  return TakeDecoded(data, width, height, path, image, error);
}

bool DecodeImage(const uint8_t* bytes, size_t size, Image* image, std::string* error) {
  if (size > static_cast<size_t>(std::numeric_limits<int>::max())) {
    *error = "image data too large";
    return false;
  }
  int width = 0, height = 0, channels = 0;
  stbi_uc* data =
      stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
  if (!data) {
    *error = std::string("cannot decode image data: ") + stbi_failure_reason();
    return false;
  }
  return TakeDecoded(data, width, height, "image data", image, error);
}

bool EncodePng(const Image& image, std::vector<uint8_t>* png) {
  png->clear();
  if (image.empty()) return false;
  const auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* begin = static_cast<const uint8_t*>(data);
    out->insert(out->end(), begin, begin + size);
  };
  return stbi_write_png_to_func(append, png, image.width(), image.height(), 4, image.bytes().data(),
                                image.width() * 4) != 0;
}

bool WriteFileBytes(const std::vector<uint8_t>& bytes, const std::string& path,
                    std::string* error) {
  // Write beside the target and rename, so a failure never leaves a half-written picture.
  const std::string temporary = path + ".partial";
  errno = 0;
  FILE* file = std::fopen(temporary.c_str(), "wb");
  bool written = file != nullptr;
  if (written && !bytes.empty())
    written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file && std::fclose(file) != 0) written = false;
  if (!written) {
    const int cause = errno;
    std::remove(temporary.c_str());
    *error = "cannot write the picture";
    if (cause != 0) *error += std::string(" (") + std::strerror(cause) + ")";
    return false;
  }
  // Some runtimes refuse to rename onto an existing file: replace it explicitly then.
  if (std::rename(temporary.c_str(), path.c_str()) != 0 &&
      (std::remove(path.c_str()) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0)) {
    const int cause = errno;
    std::remove(temporary.c_str());
    *error = std::string("cannot replace the file (") + std::strerror(cause) + ")";
    return false;
  }
  return true;
}

bool WritePng(const Image& image, const std::string& path, std::string* error) {
  if (image.empty()) {
    *error = "nothing to write";
    return false;
  }
  std::vector<uint8_t> bytes;
  const auto append = [](void* context, void* data, int size) {
    const auto* first = static_cast<const uint8_t*>(data);
    static_cast<std::vector<uint8_t>*>(context)->insert(
        static_cast<std::vector<uint8_t>*>(context)->end(), first, first + size);
  };
  if (!stbi_write_png_to_func(append, &bytes, image.width(), image.height(), 4,
                              image.bytes().data(), image.width() * 4)) {
    *error = "cannot encode the picture";
    return false;
  }
  return WriteFileBytes(bytes, path, error);
}

}  // namespace korva::render
