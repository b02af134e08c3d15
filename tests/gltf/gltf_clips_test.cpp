// Animated assets built in code, read, written as a DBO block and loaded back, then played as a
// host might play them: at every whole frame of every clip, whether the host keeps a frame's own
// parts where a track lacks keys of a kind or builds each frame from identity, every skinned
// vertex and every joint lies where glTF's own sampling of that clip puts it. The pose expected
// is worked out here from the description the asset was built from, with math of its own.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "gltf/build/gltf_import.h"
#include "gltf/samples/gltf_cases.h"
#include "model/animation.h"
#include "model/host_heap.h"
#include "render/host_playback.h"
#include "standalone/standalone_host.h"

namespace korva::testing {
namespace {
using json = nlohmann::json;
using V3 = std::array<double, 3>;
using Q = std::array<double, 4>;  // x, y, z, w

constexpr double kFps = 25.0;

// Column vectors, m[row][column].
struct M {
  double m[4][4];
};

M Product(const M& a, const M& b) {
  M r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    }
  }
  return r;
}

// translation x rotation x scale, and its inverse.
M Trs(const V3& t, const Q& q, const V3& s, bool inverse = false) {
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  M out{};
  out.m[3][3] = 1;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) out.m[i][j] = inverse ? r[j][i] / s[i] : r[i][j] * s[j];
  }
  for (int i = 0; i < 3; ++i) {
    out.m[i][3] = inverse ? -(out.m[i][0] * t[0] + out.m[i][1] * t[1] + out.m[i][2] * t[2]) : t[i];
  }
  return out;
}

V3 Apply(const M& a, const V3& p) {
  V3 r;
  for (int i = 0; i < 3; ++i)
    r[i] = a.m[i][0] * p[0] + a.m[i][1] * p[1] + a.m[i][2] * p[2] + a.m[i][3];
  return r;
}

Q Turn(double angle, V3 axis) {
  const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  const double s = std::sin(angle / 2) / length;
  return {axis[0] * s, axis[1] * s, axis[2] * s, std::cos(angle / 2)};
}

struct Node {
  std::string name;
  int parent;  // an earlier node, or -1
  V3 t{0, 0, 0};
  Q r{0, 0, 0, 1};
  V3 s{1, 1, 1};
};

struct Channel {
  int node;
  std::string path;
  std::string interpolation;
  std::vector<float> times;
  std::vector<float> values;  // cubic splines: in-tangent, value, out-tangent per key
};

struct Clip {
  std::string name;
  std::vector<Channel> channels;
};

struct Rig {
  const char* fault;
  std::vector<Node> nodes;
  std::vector<Clip> clips;
};

// glTF's sampling of a channel at time t: held before the first and after the last key.
std::array<double, 4> Sample(const Channel& c, double t) {
  const size_t n = c.times.size(), width = c.path == "rotation" ? 4 : 3;
  const bool cubic = c.interpolation == "CUBICSPLINE";
  const auto value = [&](size_t k, size_t slot) {
    std::array<double, 4> v{0, 0, 0, 0};
    for (size_t i = 0; i < width; ++i) v[i] = c.values[((cubic ? 3 : 1) * k + slot) * width + i];
    return v;
  };
  const size_t middle = cubic ? 1 : 0;
  if (t <= c.times[0]) return value(0, middle);
  if (t >= c.times[n - 1]) return value(n - 1, middle);
  size_t k = 0;
  while (c.times[k + 1] <= t) ++k;
  const double span = double(c.times[k + 1]) - c.times[k], u = (t - c.times[k]) / span;
  std::array<double, 4> a = value(k, middle), b = value(k + 1, middle), out{};
  if (c.interpolation == "STEP") return a;
  if (cubic) {
    const auto m0 = value(k, 2), m1 = value(k + 1, 0);
    for (size_t i = 0; i < 4; ++i) {
      out[i] = (2 * u * u * u - 3 * u * u + 1) * a[i] + (u * u * u - 2 * u * u + u) * span * m0[i] +
               (-2 * u * u * u + 3 * u * u) * b[i] + (u * u * u - u * u) * span * m1[i];
    }
  } else if (width == 4) {
    double d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    const double sign = d < 0 ? -1 : 1;
    d = std::min(1.0, std::fabs(d));
    const double angle = std::acos(d);
    const double wa = angle < 1e-9 ? 1 - u : std::sin((1 - u) * angle) / std::sin(angle);
    const double wb = angle < 1e-9 ? u : std::sin(u * angle) / std::sin(angle);
    for (size_t i = 0; i < 4; ++i) out[i] = wa * a[i] + sign * wb * b[i];
  } else {
    for (size_t i = 0; i < 3; ++i) out[i] = a[i] + u * (b[i] - a[i]);
  }
  return out;
}

// Every node's world matrix in the clip at time t (no clip: at rest).
std::vector<M> Worlds(const Rig& rig, const Clip* clip, double t) {
  std::vector<Node> posed = rig.nodes;
  for (const Channel& c : clip ? clip->channels : std::vector<Channel>{}) {
    const std::array<double, 4> v = Sample(c, t);
    Node& node = posed[static_cast<size_t>(c.node)];
    if (c.path == "translation") node.t = {v[0], v[1], v[2]};
    if (c.path == "scale") node.s = {v[0], v[1], v[2]};
    if (c.path == "rotation") {
      const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3]);
      node.r = {v[0] / l, v[1] / l, v[2] / l, v[3] / l};
    }
  }
  std::vector<M> worlds;
  for (const Node& node : posed) {
    const M local = Trs(node.t, node.r, node.s);
    worlds.push_back(node.parent < 0 ? local
                                     : Product(worlds[static_cast<size_t>(node.parent)], local));
  }
  return worlds;
}

// Four vertices about each joint, each moved by it alone or shared with its parent.
struct Skin {
  std::vector<M> inverseBinds;  // per joint: the inverse of its rest world matrix
  std::vector<V3> vertices;
  std::vector<std::array<int, 2>> joints;
  std::vector<std::array<double, 2>> weights;
};

Skin MakeSkin(const Rig& rig) {
  Skin skin;
  const std::vector<M> rest = Worlds(rig, nullptr, 0);
  for (size_t j = 0; j < rig.nodes.size(); ++j) {
    // From the chain of inverse locals.
    M inverse = Trs(rig.nodes[j].t, rig.nodes[j].r, rig.nodes[j].s, true);
    for (int p = rig.nodes[j].parent; p >= 0; p = rig.nodes[static_cast<size_t>(p)].parent) {
      const Node& up = rig.nodes[static_cast<size_t>(p)];
      inverse = Product(inverse, Trs(up.t, up.r, up.s, true));
    }
    skin.inverseBinds.push_back(inverse);
    const int parent = std::max(rig.nodes[j].parent, 0);
    const V3 offsets[] = {{0.3, 0, 0}, {0, 0.3, 0.1}, {-0.2, -0.1, 0.3}, {0.1, 0.5, -0.2}};
    for (size_t v = 0; v < 4; ++v) {
      skin.vertices.push_back(Apply(rest[j], offsets[v]));
      skin.joints.push_back({static_cast<int>(j), parent});
      skin.weights.push_back(v < 3 ? std::array<double, 2>{1, 0} : std::array<double, 2>{0.6, 0.4});
    }
  }
  return skin;
}

std::vector<uint8_t> BuildAsset(const Rig& rig, const Skin& skin) {
  AssetBuilder a;
  std::vector<float> positions, normals, weights;
  std::vector<uint8_t> joints;
  for (size_t v = 0; v < skin.vertices.size(); ++v) {
    for (double c : skin.vertices[v]) positions.push_back(static_cast<float>(c));
    normals.insert(normals.end(), {0, 0, 1});
    joints.insert(joints.end(), {uint8_t(skin.joints[v][0]), uint8_t(skin.joints[v][1]), 0, 0});
    weights.insert(weights.end(), {float(skin.weights[v][0]), float(skin.weights[v][1]), 0, 0});
  }
  std::vector<uint16_t> corners;
  for (size_t v = 0; v + 2 < skin.vertices.size(); v += 2) {
    corners.insert(corners.end(), {uint16_t(v), uint16_t(v + 1), uint16_t(v + 2)});
  }
  const int jointAccessor = a.Accessor(a.View(joints.data(), joints.size(), 0, 34962), 5121,
                                       skin.vertices.size(), "VEC4");
  const json primitive = {{"attributes",
                           {{"POSITION", a.Floats(positions, "VEC3", true)},
                            {"NORMAL", a.Floats(normals, "VEC3")},
                            {"JOINTS_0", jointAccessor},
                            {"WEIGHTS_0", a.Floats(weights, "VEC4")}}},
                          {"indices", a.Indices16(corners)}};
  const int mesh = a.Add("meshes", {{"primitives", {primitive}}});
  std::vector<float> inverseBinds;
  std::vector<int> jointNodes, roots;
  for (size_t j = 0; j < rig.nodes.size(); ++j) {
    for (int column = 0; column < 4; ++column) {
      for (int row = 0; row < 4; ++row)
        inverseBinds.push_back(float(skin.inverseBinds[j].m[row][column]));
    }
    jointNodes.push_back(static_cast<int>(j));
  }
  for (size_t j = 0; j < rig.nodes.size(); ++j) {
    const Node& node = rig.nodes[j];
    json children = json::array();
    for (size_t c = 0; c < rig.nodes.size(); ++c) {
      if (rig.nodes[c].parent == static_cast<int>(j)) children.push_back(c);
    }
    json entry = {
        {"name", node.name}, {"translation", node.t}, {"rotation", node.r}, {"scale", node.s}};
    if (!children.empty()) entry["children"] = children;
    a.Add("nodes", entry);
    if (node.parent < 0) roots.push_back(static_cast<int>(j));
  }
  a.Add("skins", {{"joints", jointNodes}, {"inverseBindMatrices", a.Floats(inverseBinds, "MAT4")}});
  roots.push_back(a.Add("nodes", {{"name", "Skin"}, {"mesh", mesh}, {"skin", 0}}));
  for (const Clip& clip : rig.clips) {
    json samplers = json::array(), channels = json::array();
    for (const Channel& c : clip.channels) {
      const char* type = c.path == "rotation" ? "VEC4" : "VEC3";
      samplers.push_back({{"input", a.Floats(c.times, "SCALAR", true)},
                          {"output", a.Floats(c.values, type)},
                          {"interpolation", c.interpolation}});
      channels.push_back(
          {{"sampler", samplers.size() - 1}, {"target", {{"node", c.node}, {"path", c.path}}}});
    }
    a.Add("animations", {{"name", clip.name}, {"samplers", samplers}, {"channels", channels}});
  }
  a.Scene(roots);
  return a.Glb();
}

// Rotations of `angles` about `axis`, as key values.
std::vector<float> Turns(const std::vector<double>& angles, V3 axis) {
  std::vector<float> out;
  for (double angle : angles) {
    for (double c : Turn(angle, axis)) out.push_back(static_cast<float>(c));
  }
  return out;
}

std::vector<float> Seconds(const std::vector<double>& times) {
  return std::vector<float>(times.begin(), times.end());
}

const Rig kRigs[] = {
    {"clips of rotations only, first keys between frames, a node moved in one clip",
     {{"hip", -1, {0, 1, 0}},
      {"spine", 0, {0, 1, 0}, Turn(0.3, {1, 0, 0})},
      {"head", 1, {0, 1, 0}, {0, 0, 0, 1}, {1.5, 1.5, 1.5}},
      {"tail", 0, {0, 0, -1}, Turn(-0.4, {0, 1, 0})}},
     {{"Survey",
       {{1, "rotation", "LINEAR", Seconds({1 / 24.0, 5 / 24.0, 10 / 24.0}),
         Turns({0.2, 0.9, -0.5}, {1, 0, 0.3})},
        {2, "rotation", "LINEAR", Seconds({1 / 24.0, 4 / 24.0, 9 / 24.0, 13 / 24.0}),
         Turns({0.0, 0.7, 0.1, -1.2}, {0, 1, 0})}}},
      {"Walk",
       {{3, "rotation", "LINEAR", Seconds({1.25, 1.5, 2.0}), Turns({0.5, -0.8, 2.5}, {1, 1, 0})}}},
      {"Run",
       {{0, "translation", "LINEAR", Seconds({0, 0.4, 0.8}), {0, 1, 0, 0, 1.5, 0.6, 0.3, 1, 1.2}},
        {1, "rotation", "LINEAR", Seconds({0.1, 0.3}), Turns({-0.6, 0.6}, {0, 0, 1})}}}}},
    {"stepped moves, splines, scale keys",
     {{"root", -1},
      {"arm", 0, {1, 0, 0}},
      {"hand", 1, {1, 0, 0}, Turn(0.7, {0, 1, 1}), {0.5, 2, 1}}},
     {{"Steps",
       {{1, "translation", "STEP", Seconds({0.1, 0.5, 0.9}), {1, 0, 0, 1, 1, 0, 0.5, 1, 0.5}},
        {2, "scale", "LINEAR", Seconds({0, 0.2, 0.4}), {1, 1, 1, 2, 2, 2, 0.5, 1.5, 0.25}}}},
      {"Spline",
       {{2, "rotation", "CUBICSPLINE", Seconds({0, 0.5, 1.0}), {0,    0,   0,   0,   0,   0,
                                                                0,    1,   0.4, 0.2, 0,   0,  //
                                                                -0.2, 0,   0,   0,   0.5, 0,
                                                                0,    0.9, 0,   0.3, 0,   0,  //
                                                                0,    0,   0,   0,   0,   0.6,
                                                                0,    0.8, 0,   0,   0,   0}},
        {1,
         "scale",
         "CUBICSPLINE",
         Seconds({0.13, 0.77}),
         {0, 0, 0, 1, 1, 1, 2, 0, 0, 0, 1, 0, 1.5, 0.5, 1, 0, 0, 0}}}}}},
};

// The frames each clip should take: clip i from S(i) to S(i) + ceil(T(i) x fps), the next a frame
// after.
std::vector<std::array<int32_t, 2>> ExpectedClipFrames(const std::vector<Clip>& clips) {
  std::vector<std::array<int32_t, 2>> out;
  int32_t start = 0;
  for (const Clip& clip : clips) {
    double last = 0;
    for (const Channel& c : clip.channels) last = std::max(last, double(c.times.back()));
    const int32_t length = static_cast<int32_t>(std::ceil(last * kFps - 1e-6));
    out.push_back({start, start + length});
    start += length + 1;
  }
  return out;
}

class GltfClips : public ::testing::Test {
 protected:
  GltfClips() { host_.Bind(); }
  standalone::StandaloneHost host_;
};

TEST_F(GltfClips, EveryWholeFrameOfEveryClipShowsTheAssetsPoseUnderEitherRule) {
  for (const Rig& rig : kRigs) {
    SCOPED_TRACE(rig.fault);
    const Skin skin = MakeSkin(rig);
    const std::vector<uint8_t> glb = BuildAsset(rig, skin);
    V3 low = skin.vertices[0], high = low;
    for (const V3& v : skin.vertices) {
      for (int i = 0; i < 3; ++i)
        low[i] = std::min(low[i], v[i]), high[i] = std::max(high[i], v[i]);
    }
    const double size = std::sqrt((high[0] - low[0]) * (high[0] - low[0]) +
                                  (high[1] - low[1]) * (high[1] - low[1]) +
                                  (high[2] - low[2]) * (high[2] - low[2]));
    const std::vector<std::array<int32_t, 2>> frames = ExpectedClipFrames(rig.clips);
    // All clips on one timeline, then each alone from frame 0.
    for (int alone = -1; alone < static_cast<int>(rig.clips.size()); ++alone) {
      SCOPED_TRACE(alone < 0 ? "all clips" : "clip " + std::to_string(alone) + " alone");
      gltf::ImportOptions options;
      if (alone >= 0) options.animation = std::to_string(alone);
      gltf::ImportedAsset asset;
      std::string error;
      ASSERT_TRUE(gltf::ImportGltf(glb.data(), glb.size(), nullptr, options, &asset, &error))
          << error;
      // What the DBO file holds.
      uint8_t* block = nullptr;
      uint32_t blockSize = 0;
      ASSERT_TRUE(dbo::WriteObjectBlock(asset.object, &block, &blockSize));
      sObject* object = nullptr;
      ASSERT_EQ(dbo::ReadObjectBlock(block, block + blockSize, &object, nullptr),
                dbo::ReadResult::kLoaded);
      HostFree(block);

      ASSERT_EQ(asset.clips.size(), alone < 0 ? rig.clips.size() : 1u);
      for (const sAnimation* track = object->animationSet->firstTrack; track; track = track->next) {
        ASSERT_EQ(track->positionKeyCount, track->rotationKeyCount) << track->name;
        ASSERT_EQ(track->positionKeyCount, track->scaleKeyCount) << track->name;
        for (int32_t k = 0; k < track->positionKeyCount; ++k) {
          ASSERT_EQ(track->positionKeys[k].frame, track->rotationKeys[k].frame) << track->name;
          ASSERT_EQ(track->positionKeys[k].frame, track->scaleKeys[k].frame) << track->name;
        }
      }
      EXPECT_EQ(object->animationSet->length, asset.clips.back().lastFrame);
      for (size_t c = 0; c < asset.clips.size(); ++c) {
        const gltf::AnimationClip& clip = asset.clips[c];
        const size_t source = alone < 0 ? c : static_cast<size_t>(alone);
        EXPECT_EQ(clip.name, rig.clips[source].name);
        EXPECT_EQ(clip.animation, source);
        const int32_t shift = alone < 0 ? 0 : frames[source][0];
        EXPECT_EQ(clip.firstFrame, frames[source][0] - shift) << clip.name;
        ASSERT_EQ(clip.lastFrame, frames[source][1] - shift) << clip.name;
        for (int32_t f = clip.firstFrame; f <= clip.lastFrame; ++f) {
          const std::vector<M> worlds =
              Worlds(rig, &rig.clips[source], (f - clip.firstFrame) / kFps);
          for (const render::MissingKeys rule :
               {render::MissingKeys::kKeepFrameParts, render::MissingKeys::kFromIdentity}) {
            const std::string where =
                clip.name + " frame " + std::to_string(f) +
                (rule == render::MissingKeys::kFromIdentity ? " from identity" : " keeping parts");
            const render::HostPose pose = render::PoseObject(*object, float(f), rule);
            double worst = 0;
            for (size_t j = 0; j < rig.nodes.size(); ++j) {
              const D3DXMATRIX& m =
                  pose.combined[static_cast<size_t>(pose.indexOfName.at(rig.nodes[j].name))];
              const V3 expected = Apply(worlds[j], {0, 0, 0});
              worst = std::max({worst, std::fabs(m.m[3][0] - expected[0]),
                                std::fabs(m.m[3][1] - expected[1]),
                                std::fabs(m.m[3][2] + expected[2])});
            }
            const int skinFrame = pose.indexOfName.at("Skin");
            render::SkinnedMesh skinned;
            std::string why;
            ASSERT_TRUE(render::SkinMesh(*pose.frames[static_cast<size_t>(skinFrame)]->mesh,
                                         skinFrame, pose, &skinned, &why))
                << why;
            ASSERT_EQ(skinned.positions.size(), skin.vertices.size());
            for (size_t v = 0; v < skin.vertices.size(); ++v) {
              V3 expected{0, 0, 0};
              for (size_t i = 0; i < 2; ++i) {
                const size_t j = static_cast<size_t>(skin.joints[v][i]);
                const V3 moved = Apply(Product(worlds[j], skin.inverseBinds[j]), skin.vertices[v]);
                for (size_t c = 0; c < 3; ++c) expected[c] += skin.weights[v][i] * moved[c];
              }
              const render::Vec3& at = skinned.positions[v];
              worst = std::max({worst, std::fabs(at.x - expected[0]), std::fabs(at.y - expected[1]),
                                std::fabs(at.z + expected[2])});
            }
            EXPECT_LE(worst, 1e-3 * size) << where;
          }
        }
      }
      standalone::StandaloneHost::ReleaseWholeObject(object);
    }
  }
}

}  // namespace
}  // namespace korva::testing
