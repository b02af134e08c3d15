#include "render/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korva::render {
namespace {
float Edge(Vec3 a, Vec3 b, float px, float py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// With corners ordered so that the area is positive (y down), an edge going right along the top
// or going up along the left side owns the pixels exactly on it.
bool IsTopLeft(Vec3 a, Vec3 b) {
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  return (dy == 0.0f && dx > 0.0f) || dy < 0.0f;
}

bool Covers(float edge, bool topLeft) {
  return edge > 0.0f || (edge == 0.0f && topLeft);
}

uint8_t ToByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

// Maps a coordinate onto [0, 1) or [0, 1] as the address mode says.
float Address(float t, AddressMode mode) {
  if (!std::isfinite(t)) return 0.0f;
  switch (mode) {
    case AddressMode::kMirror: {
      const float period = t - 2.0f * std::floor(t * 0.5f);  // [0, 2)
      return period <= 1.0f ? period : 2.0f - period;
    }
    case AddressMode::kMirrorOnce:
      return std::clamp(std::fabs(t), 0.0f, 1.0f);
    case AddressMode::kClamp:
    case AddressMode::kBorder:
      return std::clamp(t, 0.0f, 1.0f);
    case AddressMode::kWrap:
      break;
  }
  return t - std::floor(t);
}

int Texel(float t, int size) {
  const int index = static_cast<int>(std::floor(t * static_cast<float>(size)));
  return std::clamp(index, 0, size - 1);
}
}  // namespace

Color SampleTexture(const Image& texture, float u, float v, AddressMode modeU, AddressMode modeV) {
  if (texture.empty()) return Color{255, 255, 255, 255};
  return texture.at(Texel(Address(u, modeU), texture.width()),
                    Texel(Address(v, modeV), texture.height()));
}

Canvas::Canvas(int size, Color background)
    : image_(size, size, background),
      depth_(static_cast<size_t>(image_.width()) * image_.height(),
             std::numeric_limits<float>::infinity()) {}

bool Canvas::DepthPasses(int x, int y, float depth) {
  float& stored = depth_[static_cast<size_t>(y) * image_.width() + x];
  if (!(depth < stored)) return false;
  stored = depth;
  return true;
}

void Canvas::FillTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                          const TextureBinding& texture) {
  const ScreenVertex* v0 = &a;
  const ScreenVertex* v1 = &b;
  const ScreenVertex* v2 = &c;
  float area = Edge(v0->position, v1->position, v2->position.x, v2->position.y);
  if (!(std::fabs(area) > 0.0f) || !std::isfinite(area)) return;
  if (area < 0.0f) {
    std::swap(v1, v2);
    area = -area;
  }
  const Vec3 p0 = v0->position, p1 = v1->position, p2 = v2->position;
  const float width = static_cast<float>(image_.width());
  const float height = static_cast<float>(image_.height());
  const float left = std::max(0.0f, std::floor(std::min({p0.x, p1.x, p2.x})));
  const float right = std::min(width - 1.0f, std::ceil(std::max({p0.x, p1.x, p2.x})));
  const float top = std::max(0.0f, std::floor(std::min({p0.y, p1.y, p2.y})));
  const float bottom = std::min(height - 1.0f, std::ceil(std::max({p0.y, p1.y, p2.y})));
  if (left > right || top > bottom) return;
  const bool topLeft0 = IsTopLeft(p1, p2);  // edge opposite v0
  const bool topLeft1 = IsTopLeft(p2, p0);
  const bool topLeft2 = IsTopLeft(p0, p1);
  const float inverseArea = 1.0f / area;

  for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
    const float py = static_cast<float>(y) + 0.5f;
    for (int x = static_cast<int>(left); x <= static_cast<int>(right); ++x) {
      const float px = static_cast<float>(x) + 0.5f;
      const float e0 = Edge(p1, p2, px, py);
      const float e1 = Edge(p2, p0, px, py);
      const float e2 = Edge(p0, p1, px, py);
      if (!Covers(e0, topLeft0) || !Covers(e1, topLeft1) || !Covers(e2, topLeft2)) continue;
      const float w0 = e0 * inverseArea, w1 = e1 * inverseArea, w2 = e2 * inverseArea;
      const float depth = w0 * p0.z + w1 * p1.z + w2 * p2.z;
      if (!DepthPasses(x, y, depth)) continue;
      float r = w0 * v0->r + w1 * v1->r + w2 * v2->r;
      float g = w0 * v0->g + w1 * v1->g + w2 * v2->g;
      float bl = w0 * v0->b + w1 * v1->b + w2 * v2->b;
      if (texture.image) {
        const float u = w0 * v0->u + w1 * v1->u + w2 * v2->u;
        const float v = w0 * v0->v + w1 * v1->v + w2 * v2->v;
        const Color texel = SampleTexture(*texture.image, u, v, texture.modeU, texture.modeV);
        r *= texel.r / 255.0f;
        g *= texel.g / 255.0f;
        bl *= texel.b / 255.0f;
      }
      image_.set(x, y, Color{ToByte(r), ToByte(g), ToByte(bl), 255});
    }
  }
}

void Canvas::DrawLine(Vec3 a, Vec3 b, Color color, bool depthTested) {
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  const float length = std::max(std::fabs(dx), std::fabs(dy));
  if (!std::isfinite(length)) return;
  // Lines longer than a few pictures are off-screen noise; cap the steps so a wild point cannot
  // stall the drawing.
  const int steps = static_cast<int>(std::min(length, 4.0f * (image_.width() + image_.height())));
  for (int i = 0; i <= steps; ++i) {
    const float t = steps == 0 ? 0.0f : static_cast<float>(i) / static_cast<float>(steps);
    const float fx = std::floor(a.x + dx * t);
    const float fy = std::floor(a.y + dy * t);
    if (!(fx >= 0.0f && fy >= 0.0f && fx < image_.width() && fy < image_.height())) continue;
    const int x = static_cast<int>(fx);
    const int y = static_cast<int>(fy);
    // A small bias lets a line win over the surface it lies on.
    const float depth = a.z + (b.z - a.z) * t - 1e-4f;
    if (depthTested && !DepthPasses(x, y, depth)) continue;
    image_.set(x, y, color);
  }
}

void Canvas::DrawMarker(float x, float y, int halfSide, Color color) {
  const float reach = static_cast<float>(halfSide + 2);
  if (!(x > -reach && y > -reach && x < image_.width() + reach && y < image_.height() + reach)) {
    return;
  }
  const int cx = static_cast<int>(std::floor(x));
  const int cy = static_cast<int>(std::floor(y));
  const int outline = halfSide + 1;
  for (int py = cy - outline; py <= cy + outline; ++py) {
    for (int px = cx - outline; px <= cx + outline; ++px) {
      if (px < 0 || py < 0 || px >= image_.width() || py >= image_.height()) continue;
      const bool edge = std::abs(px - cx) == outline || std::abs(py - cy) == outline;
      image_.set(px, py, edge ? Color{0, 0, 0, 255} : color);
    }
  }
}

}  // namespace korva::render
