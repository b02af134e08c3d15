// An RGBA picture in memory, with PNG output and image-file decoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::render {

struct Color {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Color& other) const {
    return r == other.r && g == other.g && b == other.b && a == other.a;
  }
  bool operator!=(const Color& other) const { return !(*this == other); }
};

// Parses "RRGGBB" (an optional leading '#' is allowed); false and `*color` untouched otherwise.
bool ParseHexColor(const std::string& text, Color* color);

class Image {
 public:
  Image() = default;
  // A width x height picture filled with `fill`; a non-positive side gives an empty picture.
  Image(int width, int height, Color fill = {});

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }

  // Row 0 is the top row. Callers keep x and y inside the picture.
  Color at(int x, int y) const;
  void set(int x, int y, Color color);

  // The pixels as rows of RGBA bytes, top row first.
  const std::vector<uint8_t>& bytes() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

// Decodes an image file (BMP, PNG, TGA, JPEG, ...) into RGBA; false with `*error` set when the file
// is missing or cannot be decoded.
bool LoadImageFile(const std::string& path, Image* image, std::string* error);

// Decodes image bytes held in memory (any format LoadImageFile reads); false with `*error` set when
// they cannot be decoded.
bool DecodeImage(const uint8_t* bytes, size_t size, Image* image, std::string* error);

// The picture encoded as PNG into `*png`; false when it is empty or cannot be encoded.
bool EncodePng(const Image& image, std::vector<uint8_t>* png);

}  // namespace korva::render
