// Filling triangles and drawing lines into a picture with a depth buffer.
#pragma once

#include <vector>

#include "render/image.h"
#include "render/render_math.h"

namespace korva::render {

// How texture coordinates outside [0, 1] map onto the image (Direct3D 9 address mode values).
enum class AddressMode { kWrap = 1, kMirror = 2, kClamp = 3, kBorder = 4, kMirrorOnce = 5 };

// The texel at (u, v), nearest-sampled; (0, 0) is the image's top-left corner.
Color SampleTexture(const Image& texture, float u, float v, AddressMode modeU, AddressMode modeV);

// A corner ready for the screen: pixel position, depth along the view (smaller is nearer), a
// colour (0..1 per channel, already lit) and texture coordinates.
struct ScreenVertex {
  Vec3 position;
  float r = 1, g = 1, b = 1;
  float u = 0, v = 0;
};

struct TextureBinding {
  const Image* image = nullptr;  // null: untextured
  AddressMode modeU = AddressMode::kWrap;
  AddressMode modeV = AddressMode::kWrap;
};

class Canvas {
 public:
  Canvas(int size, Color background);

  // Fills the pixels whose centres the triangle covers, nearer than what is there, with the
  // interpolated colour times the texture. Edges shared by two triangles are drawn once (pixels
  // exactly on an edge belong to top and left edges only), whatever the corner order.
  void FillTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    const TextureBinding& texture);

  // A one-pixel line from a to b in `color`; with `depthTested` it hides behind nearer pixels
  // and hides what is behind it.
  void DrawLine(Vec3 a, Vec3 b, Color color, bool depthTested);

  // A filled square of side 2 x halfSide + 1 around (x, y) with a dark outline, over everything.
  void DrawMarker(float x, float y, int halfSide, Color color);

  const Image& image() const { return image_; }
  Image TakeImage() { return std::move(image_); }

 private:
  bool DepthPasses(int x, int y, float depth);

  Image image_;
  std::vector<float> depth_;
};

}  // namespace korva::render
