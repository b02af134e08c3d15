#include "render/camera.h"

#include <algorithm>
#include <cmath>

namespace korva::render {
namespace {
CameraAxes LookAlong(Vec3 forward, Vec3 up) {
  CameraAxes axes;
  axes.forward = Normalize(forward);
  axes.right = Normalize(Cross(up, axes.forward));
  axes.up = Cross(axes.forward, axes.right);
  return axes;
}
}  // namespace

bool ParseView(const std::string& name, View* view) {
  static const struct {
    const char* name;
    View view;
  } kViews[] = {{"front", View::kFront}, {"back", View::kBack}, {"left", View::kLeft},
                {"right", View::kRight}, {"top", View::kTop},   {"iso", View::kIso}};
  for (const auto& entry : kViews) {
    if (name == entry.name) {
      *view = entry.view;
      return true;
    }
  }
  return false;
}

CameraAxes AxesForView(View view) {
  const Vec3 yUp{0, 1, 0};
  switch (view) {
    case View::kFront:
      return LookAlong({0, 0, -1}, yUp);
    case View::kBack:
      return LookAlong({0, 0, 1}, yUp);
    case View::kLeft:
      return LookAlong({-1, 0, 0}, yUp);
    case View::kRight:
      return LookAlong({1, 0, 0}, yUp);
    case View::kTop:
      return LookAlong({0, -1, 0}, {0, 0, -1});
    case View::kIso:
      break;
  }
  // From the front picture's right (-x), from the front (+z) and from above (+y).
  return LookAlong({1, -1, -1}, yUp);
}

Framing::Framing(const CameraAxes& axes, float minX, float maxX, float minY, float maxY, int size,
                 float margin)
    : axes_(axes) {
  centerX_ = 0.5f * (minX + maxX);
  centerY_ = 0.5f * (minY + maxY);
  half_ = 0.5f * static_cast<float>(size);
  const float extent = std::max(maxX - minX, maxY - minY);
  const float usable = static_cast<float>(size) * (1.0f - 2.0f * std::clamp(margin, 0.0f, 0.45f));
  scale_ = (extent > 0.0f && std::isfinite(extent)) ? usable / extent : 1.0f;
}

Vec3 Framing::Project(Vec3 world) const {
  const float x = Dot(world, axes_.right);
  const float y = Dot(world, axes_.up);
  return {half_ + (x - centerX_) * scale_, half_ - (y - centerY_) * scale_,
          Dot(world, axes_.forward)};
}

}  // namespace korva::render
