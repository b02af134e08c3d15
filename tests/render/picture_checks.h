// Reading back rendered pictures in tests: where a colour lies and how much of it there is.
#pragma once

#include <functional>

#include "render/image.h"

namespace korva::testing {

// The colours the pictures of the tests are drawn in: the background and flat-coloured parts.
inline const render::Color kBackground{10, 20, 30, 255};
inline const render::Color kRed{255, 0, 0, 255};
inline const render::Color kGreen{0, 255, 0, 255};
inline const render::Color kBlue{0, 0, 255, 255};
inline const render::Color kWhite{255, 255, 255, 255};

// Pixels of `image` equal to `color`.
int CountColor(const render::Image& image, render::Color color);

// The smallest rectangle holding every pixel equal to `color`: columns [left, right) and rows
// [top, bottom); all zero when there is none.
struct PixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};
PixelBox BoxOfColor(const render::Image& image, render::Color color);

// The mean pixel position of the pixels that `matches` accepts; false when there are none.
bool Centroid(const render::Image& image, const std::function<bool(render::Color)>& matches,
              float* x, float* y);

}  // namespace korva::testing
