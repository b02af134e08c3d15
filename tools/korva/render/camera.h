// The named views of `korva render` and the orthographic camera that frames an object's bounds.
//
// World space is the host's: left-handed, y up. Each view is a camera looking along `forward` with
// `up` at the top of the picture and `right = up x forward`, the way a left-handed look-at builds
// its axes; on screen, front faces then wind clockwise. The front view looks from +z towards -z,
// so a model imported from the modelling tool shows the side it showed in that tool's front view,
// unmirrored (the import negates x). Left and right stand on the sides that are left and right in
// the front picture; top looks down with the front at the bottom of the picture; iso looks from
// front, right and above.
#pragma once

#include <string>

#include "render/render_math.h"

namespace korva::render {

enum class View { kFront, kBack, kLeft, kRight, kTop, kIso };

// "front", "back", "left", "right", "top" or "iso"; false for any other name.
bool ParseView(const std::string& name, View* view);

struct CameraAxes {
  Vec3 right, up, forward;  // unit vectors, right = up x forward
};

CameraAxes AxesForView(View view);

// Maps world points to pixels: the rectangle [minX, maxX] x [minY, maxY] of camera-plane
// coordinates (along right and up) is scaled uniformly to fit a size x size picture less a margin
// on each side, and centred.
class Framing {
 public:
  Framing(const CameraAxes& axes, float minX, float maxX, float minY, float maxY, int size,
          float margin);

  // Pixel coordinates (x right, y down, pixel centres at +0.5) and depth along forward.
  Vec3 Project(Vec3 world) const;

 private:
  CameraAxes axes_;
  float centerX_, centerY_, scale_, half_;
};

}  // namespace korva::render
