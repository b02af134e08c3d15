#include "render/image.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "standalone/image_files.h"
#include "standalone/regular_file.h"
#include "text/utf8_text.h"

// The encoder lives here only; images are decoded by the standalone host's one decoder.
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
// Decodes with the standalone host's decoder (the program's one copy) into `*image`; `what` names
// the source in errors.
bool DecodeInto(const uint8_t* bytes, size_t size, const std::string& what, Image* image,
                std::string* error) {
  int width = 0;
  int height = 0;
  std::string problem;
  uint8_t* data = standalone::DecodeImage(bytes, size, &width, &height, &problem);
  if (!data) {
    *error = "cannot read image " + text::Utf8Text(what) + ": " + problem;
    return false;
  }
  Image loaded(width, height);
  if (loaded.empty()) {
    standalone::FreeImage(data);
    *error = "image too large: " + text::Utf8Text(what);
    return false;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = data + (static_cast<size_t>(y) * width + x) * 4;
      loaded.set(x, y, Color{p[0], p[1], p[2], p[3]});
    }
  }
  standalone::FreeImage(data);
  *image = std::move(loaded);
  return true;
}
}  // namespace

bool LoadImageFile(const std::string& path, Image* image, std::string* error) {
  std::vector<uint8_t> bytes;
  std::string problem;
  if (standalone::ReadRegularFile(path, standalone::kMaxImageFileSize, &bytes, &problem) !=
      standalone::FileReadResult::kRead) {
    *error = "cannot read image " + text::Utf8Text(path) + ": " + problem;
    return false;
  }
  return DecodeInto(bytes.data(), bytes.size(), path, image, error);
}

bool DecodeImage(const uint8_t* bytes, size_t size, Image* image, std::string* error) {
  return DecodeInto(bytes, size, "data", image, error);
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

}  // namespace korva::render
