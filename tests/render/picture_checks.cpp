#include "picture_checks.h"

#include <algorithm>

namespace korva::testing {

int CountColor(const render::Image& image, render::Color color) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.at(x, y) == color ? 1 : 0;
  }
  return count;
}

PixelBox BoxOfColor(const render::Image& image, render::Color color) {
  PixelBox box{image.width(), image.height(), 0, 0};
  bool any = false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.at(x, y) != color) continue;
      any = true;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return any ? box : PixelBox{};
}

bool Centroid(const render::Image& image, const std::function<bool(render::Color)>& matches,
              float* x, float* y) {
  double sumX = 0, sumY = 0;
  long count = 0;
  for (int py = 0; py < image.height(); ++py) {
    for (int px = 0; px < image.width(); ++px) {
      if (!matches(image.at(px, py))) continue;
      sumX += px + 0.5;
      sumY += py + 0.5;
      ++count;
    }
  }
  if (count == 0) return false;
  *x = static_cast<float>(sumX / count);
  *y = static_cast<float>(sumY / count);
  return true;
}

}  // namespace korva::testing
