// The named views: which side of the object each one shows, and where the world's axes point in
// the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "object_builder.h"
#include "picture_checks.h"
#include "render/render_object.h"

namespace korva::testing {
namespace {
using render::Color;
using render::Image;
using render::Vec3;
using render::View;

const Color kMarker{255, 0, 255, 255};

// One colour per side of a box: +x, -x, +y, -y, +z, -z.
enum Side { kPlusX, kMinusX, kPlusY, kMinusY, kPlusZ, kMinusZ, kSides };
const Color kSideColor[kSides] = {{255, 0, 0, 255}, {128, 0, 0, 255}, {0, 255, 0, 255},
                                  {0, 128, 0, 255}, {0, 0, 255, 255}, {0, 0, 128, 255}};

// A cube of side 2 around the origin, each side its own frame and colour, wound to face out.
void AddCube(sObject* object) {
  struct Face {
    Side side;
    Vec3 normal, edgeU, edgeV;  // edgeU x edgeV = normal
  };
  const Face faces[] = {
      {kPlusX, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {kMinusX, {-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {kPlusY, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {kMinusY, {0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
      {kPlusZ, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {kMinusZ, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
  };
  for (const Face& face : faces) {
    const Vec3 origin = face.normal - face.edgeU - face.edgeV;
    const Color c = kSideColor[face.side];
    AttachMesh(AddFrame(object, nullptr, IdentityMatrix(), "side"),
               Quad(origin, face.edgeU * 2, face.edgeV * 2), FrontQuadIndices(), c.r / 255.0f,
               c.g / 255.0f, c.b / 255.0f);
  }
}

bool IsCube(Color color) {
  for (const Color& side : kSideColor) {
    if (color == side) return true;
  }
  return false;
}

render::RenderOptions Options(View view, bool skeleton) {
  render::RenderOptions options;
  options.view = view;
  options.size = 96;
  options.background = kBackground;
  options.lighting = false;
  options.skeleton = skeleton;
  options.jointColor = kMarker;
  return options;
}

// Where the point 3 units along `axis` lands in the picture, seen from the cube's centre: -1, 0
// or +1 per picture axis (x right, y down); 0 when it lies on the line of sight.
struct ScreenDirection {
  int x, y;
  bool operator==(const ScreenDirection& other) const { return x == other.x && y == other.y; }
};

std::ostream& operator<<(std::ostream& out, const ScreenDirection& d) {
  return out << "(" << d.x << ", " << d.y << ")";
}

ScreenDirection DirectionOfAxis(View view, Vec3 axis) {
  ObjectHandle object = NewEmptyObject();
  AddCube(object.get());
  // A frame without a mesh is a joint: with --skeleton it shows as a marker.
  AddFrame(object.get(), nullptr, Translation(3 * axis.x, 3 * axis.y, 3 * axis.z), "tip");
  const Image image = render::RenderObject(*object, Options(view, true), nullptr).image;
  float cubeX = 0, cubeY = 0, markerX = 0, markerY = 0;
  const bool cubeFound = Centroid(image, IsCube, &cubeX, &cubeY);
  const bool markerFound = Centroid(
      image, [](Color c) { return c == kMarker; }, &markerX, &markerY);
  EXPECT_TRUE(cubeFound && markerFound);
  const auto sign = [](float d) { return std::fabs(d) < 3.0f ? 0 : (d > 0 ? 1 : -1); };
  return {sign(markerX - cubeX), sign(markerY - cubeY)};
}

struct NamedView {
  View view;
  const char* name;
  Side facing;  // the side turned to the camera
  ScreenDirection plusX, plusY, plusZ;
};

// Front looks from +z with +x on the left (the import negates x, so a model keeps the left and
// right it had where it was made); left and right stand on the sides that are left and right in
// the front picture; top looks down with the front at the bottom.
const NamedView kAxisViews[] = {
    {View::kFront, "front", kPlusZ, {-1, 0}, {0, -1}, {0, 0}},
    {View::kBack, "back", kMinusZ, {1, 0}, {0, -1}, {0, 0}},
    {View::kLeft, "left", kPlusX, {0, 0}, {0, -1}, {1, 0}},
    {View::kRight, "right", kMinusX, {0, 0}, {0, -1}, {-1, 0}},
    {View::kTop, "top", kPlusY, {-1, 0}, {0, 0}, {0, 1}},
};

TEST(RenderViews, EachAxisViewShowsItsSideTurnedAsNamed) {
  for (const NamedView& named : kAxisViews) {
    SCOPED_TRACE(named.name);
    ObjectHandle object = NewEmptyObject();
    AddCube(object.get());
    const Image image = render::RenderObject(*object, Options(named.view, false), nullptr).image;
    // Seen straight on, the other sides are edge-on and drawn not at all.
    EXPECT_EQ(image.at(48, 48), kSideColor[named.facing]);
    for (int side = 0; side < kSides; ++side) {
      if (side != named.facing) {
        EXPECT_EQ(CountColor(image, kSideColor[side]), 0) << side;
      }
    }
    EXPECT_EQ(DirectionOfAxis(named.view, {1, 0, 0}), named.plusX) << "+x";
    EXPECT_EQ(DirectionOfAxis(named.view, {0, 1, 0}), named.plusY) << "+y";
    EXPECT_EQ(DirectionOfAxis(named.view, {0, 0, 1}), named.plusZ) << "+z";
  }
}

TEST(RenderViews, IsoLooksFromTheFrontTheRightAndAbove) {
  ObjectHandle object = NewEmptyObject();
  AddCube(object.get());
  const Image image = render::RenderObject(*object, Options(View::kIso, false), nullptr).image;
  // The right of the front picture is -x.
  for (Side shown : {kPlusZ, kMinusX, kPlusY}) {
    EXPECT_GT(CountColor(image, kSideColor[shown]), 500) << shown;
  }
  for (Side hidden : {kMinusZ, kPlusX, kMinusY}) {
    EXPECT_EQ(CountColor(image, kSideColor[hidden]), 0) << hidden;
  }
  // Up stays up; x runs away to the upper left, z comes forward to the lower left.
  EXPECT_EQ(DirectionOfAxis(View::kIso, {0, 1, 0}), (ScreenDirection{0, -1}));
  EXPECT_EQ(DirectionOfAxis(View::kIso, {1, 0, 0}), (ScreenDirection{-1, -1}));
  EXPECT_EQ(DirectionOfAxis(View::kIso, {0, 0, 1}), (ScreenDirection{-1, 1}));
}

}  // namespace
}  // namespace korva::testing
