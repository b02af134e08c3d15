// The bent arm drawn by both playbacks through one fixed camera: the forearm's pixels are where
// its keys put it, at a key, between keys, past the last key, with two weighted joints and
// without animation.
#include <gtest/gtest.h>

#include <cmath>

#include "arm_models.h"
#include "picture_checks.h"
#include "render/draw_list.h"
#include "render/render_object.h"

namespace korva::testing {
namespace {
using render::Color;
using render::Vec3;

struct Playback {
  const char* name;
  // What the playback draws of the arm at `frame`.
  std::function<render::DrawList(ArmShape, float frame)> draw;
  // The host-space point of a point of the arm as modelled.
  std::function<Vec3(Vec3)> toHost;
};

std::vector<Playback> Playbacks() {
  const render::RenderOptions options;
  return {
      {"model's own",
       [](ArmShape shape, float frame) {
         const std::vector<uint8_t> bytes = WriteMs3d(BentArmMs3d(shape));
         msModel model;
         EXPECT_TRUE(model.LoadFromMemory(bytes.data(), bytes.size()));
         model.BuildBindPose();
         render::DrawList list;
         render::GatherModel(model, frame, nullptr, false, &list);
         return list;
       },
       [](Vec3 p) {
         return Vec3{-p.x, p.y, p.z};
       }},
      {"host's",
       [options](ArmShape shape, float frame) {
         const ObjectHandle object = BentArmObject(shape);
         render::DrawList list;
         render::GatherObject(*object, frame, options, nullptr, &list);
         return list;
       },
       [](Vec3 p) { return p; }},
  };
}

// A point on the forearm's centre line, `along` units from its joint, turned `degrees` about z.
Vec3 OnForearm(float degrees, float along) {
  const float radians = degrees * 3.14159265f / 180.0f;
  return {1 + along * std::cos(radians), along * std::sin(radians), 0};
}

TEST(AnimationPixels, TheForearmLandsWhereItsKeysPutItInBothPlaybacks) {
  const struct {
    const char* fault;
    ArmShape shape;
    float frame;
    std::vector<Vec3> green, notGreen;
  } cases[] = {
      {"the key turns the forearm about its own joint",
       {},
       10.0f,
       {OnForearm(90, 0.3f), OnForearm(90, 0.85f)},
       {OnForearm(0, 0.85f), {0.2f, 1.0f, 0}}},
      {"halfway between keys is halfway round",
       {},
       5.0f,
       {OnForearm(45, 0.85f)},
       {OnForearm(0, 0.85f), OnForearm(90, 0.85f)}},
      {"past the last key the last pose holds",
       {},
       30.0f,
       {OnForearm(90, 0.85f)},
       {OnForearm(0, 0.85f)}},
      {"two weighted joints: half way between both pulls",
       {true, true},
       10.0f,
       {{1.25f, 0.25f, 0}},
       {OnForearm(90, 0.85f), OnForearm(0, 0.85f)}},
      {"no animation: the rest pose at any frame",
       {false, false},
       10.0f,
       {OnForearm(0, 0.85f)},
       {OnForearm(90, 0.85f)}},
  };
  render::RenderOptions options;
  options.view = render::View::kFront;
  options.size = 100;
  options.lighting = false;
  for (const Playback& playback : Playbacks()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(playback.name) + " playback: " + c.fault);
      const render::DrawList list = playback.draw(c.shape, c.frame);
      // One fixed camera over x and y from -2.5 to 2.5: 20 pixels to the unit.
      render::PictureBounds bounds(render::AxesForView(options.view));
      bounds.Extend(Vec3{-2.5f, -2.5f, 0});
      bounds.Extend(Vec3{2.5f, 2.5f, 0});
      const render::Framing framing = bounds.FramingFor(options.size, 0.0f);
      int drawn = 0;
      const render::Image picture = render::DrawPicture(list, framing, options, &drawn);
      const auto colourAt = [&](Vec3 modelled) {
        const Vec3 pixel = framing.Project(playback.toHost(modelled));
        return picture.at(static_cast<int>(pixel.x), static_cast<int>(pixel.y));
      };
      for (const Vec3& p : c.green) EXPECT_EQ(colourAt(p), kGreen) << p.x << ", " << p.y;
      for (const Vec3& p : c.notGreen) EXPECT_NE(colourAt(p), kGreen) << p.x << ", " << p.y;
    }
  }
}

}  // namespace
}  // namespace korva::testing
