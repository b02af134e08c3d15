// The host's playback of hand-built objects: a bent arm's skinned vertices at, between and past
// its keys, the position steps, and a frame tree deeper than any call stack.
#include "render/host_playback.h"

#include <gtest/gtest.h>

#include <cmath>

#include "object_builder.h"
#include "support/angles.h"

namespace korva::testing {
namespace {
using render::Vec3;

// A skin frame whose mesh holds three vertices at (2, 0, 0): one on the forearm, one shared half
// and half by the upper arm and the forearm, one named by no bone. The forearm sits one unit
// along x from the upper arm and, when animated, turns 90 degrees about z from frame 0 to 10.
ObjectHandle BentArm(bool animated) {
  ObjectHandle object = NewEmptyObject();
  sFrame* skin = AddFrame(object.get(), nullptr, IdentityMatrix(), "skin");
  sFrame* upper = AddFrame(object.get(), nullptr, IdentityMatrix(), "upper");
  AddFrame(object.get(), upper, Translation(1, 0, 0), "forearm");
  sMesh* mesh = AttachMesh(skin, {{{2, 0, 0}}, {{2, 0, 0}}, {{2, 0, 0}}}, {0, 1, 2}, 1, 1, 1);
  AddBone(mesh, "forearm", Translation(-1, 0, 0), {{0, 1.0f}, {1, 0.5f}});
  AddBone(mesh, "upper", IdentityMatrix(), {{1, 0.5f}});
  if (animated) {
    AddTrack(object.get(), "forearm", 10, {{0, 0}, {10, kHalfPi}},
             {{0, {1, 0, 0}, {0, 0, 0}}, {10, {1, 0, 0}, {0, 0, 0}}});
  }
  return object;
}

void ExpectNear(Vec3 actual, Vec3 expected, const std::string& what) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what;
  EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what;
  EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what;
}

TEST(HostPlaybackTest, BentArmVerticesLandWhereTheKeysPutThem) {
  const float d = std::sqrt(0.5f);
  const struct {
    const char* fault;
    bool animated;
    float frame;
    Vec3 hand, shared;
  } cases[] = {
      {"rest state", true, -1.0f, {2, 0, 0}, {2, 0, 0}},
      {"the key's rotation, then its translation", true, 10.0f, {1, 1, 0}, {1.5f, 0.5f, 0}},
      {"halfway between keys is halfway round",
       true,
       5.0f,
       {1 + d, d, 0},
       {1.5f + d / 2, d / 2, 0}},
      {"past the last key the last pose holds", true, 30.0f, {1, 1, 0}, {1.5f, 0.5f, 0}},
      {"no animation set: rest at any frame", false, 10.0f, {2, 0, 0}, {2, 0, 0}},
  };
  for (const auto& c : cases) {
    const ObjectHandle object = BentArm(c.animated);
    const render::HostPose pose = render::PoseObject(*object, c.frame);
    const int skin = pose.IndexOf(object->rootFrame);
    render::SkinnedMesh skinned;
    std::string why;
    ASSERT_TRUE(render::SkinMesh(*object->rootFrame->mesh, skin, pose, &skinned, &why)) << why;
    ExpectNear(skinned.positions[0], c.hand, std::string(c.fault) + ": hand");
    ExpectNear(skinned.positions[1], c.shared, std::string(c.fault) + ": two bones");
    ExpectNear(skinned.positions[2], {2, 0, 0}, std::string(c.fault) + ": no bone");
    const D3DXMATRIX& forearm = pose.combined[static_cast<size_t>(pose.indexOfName.at("forearm"))];
    ExpectNear({forearm.m[3][0], forearm.m[3][1], forearm.m[3][2]}, {1, 0, 0},
               std::string(c.fault) + ": forearm joint");
  }
}

TEST(HostPlaybackTest, PositionStepsRunFromTheirKeyAndHoldPastTheLast) {
  ObjectHandle object = NewEmptyObject();
  AddTrack(object.get(), "joint", 10, {},
           {{2, {1, 0, 0}, {0.5f, 0, 0}}, {6, {3, 0, 0}, {9, 9, 9}}});
  const D3DXMATRIX rest = RotationZ(kHalfPi);
  const struct {
    float frame, x;
  } cases[] = {{0.0f, 1.0f}, {4.0f, 2.0f}, {5.5f, 2.75f}, {6.0f, 3.0f}, {40.0f, 3.0f}};
  for (const auto& c : cases) {
    const D3DXMATRIX local =
        render::TrackLocalMatrix(*object->animationSet->firstTrack, c.frame, rest);
    EXPECT_NEAR(local.m[3][0], c.x, 1e-5f) << "frame " << c.frame;
    EXPECT_NEAR(local.m[3][1], 0.0f, 1e-5f) << "frame " << c.frame;
    // Without rotation keys the frame keeps its own turn.
    EXPECT_NEAR(local.m[0][1], 1.0f, 1e-6f) << "frame " << c.frame;
  }
}

// A frame turned a quarter about z, scaled 3 and moved to (5, 0, 0) at rest, driven by tracks
// with some kinds of keys: what the track lacks comes from the frame or from nothing.
TEST(HostPlaybackTest, ScaleKeysScaleBeforeTheTurnAndMissingKindsFollowTheRule) {
  using render::MissingKeys;
  D3DXMATRIX rest = RotationZ(kHalfPi);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) rest.m[r][c] *= 3;
  }
  rest.m[3][0] = 5;
  const struct {
    const char* fault;
    bool rotations, positions;
    MissingKeys rule;
    Vec3 xAxis, origin;  // what becomes of the direction (1, 0, 0) and the point (0, 0, 0)
  } cases[] = {
      {"scale then turn then move",
       true,
       true,
       MissingKeys::kFromIdentity,
       {0, 1.5f, 0},
       {1, 0, 0}},
      {"rotation keys replace the frame's turn and its scale",
       true,
       false,
       MissingKeys::kKeepFrameParts,
       {0, 1.5f, 0},
       {5, 0, 0}},
      {"scale keys take the frame's own turn without its scale",
       false,
       false,
       MissingKeys::kKeepFrameParts,
       {0, 1.5f, 0},
       {5, 0, 0}},
      {"from identity a track of scale keys only just scales",
       false,
       false,
       MissingKeys::kFromIdentity,
       {1.5f, 0, 0},
       {0, 0, 0}},
  };
  for (const auto& c : cases) {
    ObjectHandle object = NewEmptyObject();
    AddTrack(
        object.get(), "joint", 10,
        c.rotations ? std::vector<BuiltRotationKey>{{0, kHalfPi}} : std::vector<BuiltRotationKey>{},
        c.positions ? std::vector<BuiltPositionKey>{{0, {1, 0, 0}, {0, 0, 0}}}
                    : std::vector<BuiltPositionKey>{},
        {{0, {1, 1, 1}, {0.1f, 0.2f, 0}}, {10, {2, 3, 1}, {0, 0, 0}}});
    const D3DXMATRIX local =
        render::TrackLocalMatrix(*object->animationSet->firstTrack, 5.0f, rest, c.rule);
    const Vec3 origin = render::TransformPoint({0, 0, 0}, local);
    ExpectNear(origin, c.origin, std::string(c.fault) + ": origin");
    ExpectNear(render::TransformPoint({1, 0, 0}, local) - origin, c.xAxis,
               std::string(c.fault) + ": x axis");
  }
}

TEST(HostPlaybackTest, AChainDeeperThanTheStackIsPosedFromTheRoot) {
  ObjectHandle object = NewEmptyObject();
  sFrame* parent = nullptr;
  constexpr int kDepth = 200000;
  for (int i = 0; i < kDepth; ++i) {
    parent = AddFrame(object.get(), parent, Translation(1, 0, 0), i == kDepth - 1 ? "tip" : "link");
  }
  const render::HostPose pose = render::PoseObject(*object, 0.0f);
  ASSERT_EQ(pose.frames.size(), static_cast<size_t>(kDepth));
  EXPECT_FLOAT_EQ(pose.combined.back().m[3][0], static_cast<float>(kDepth));
}

}  // namespace
}  // namespace korva::testing
