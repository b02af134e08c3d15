// How far the imported object's host playback is from the model's own: for each model, at a few
// frames, the largest distance of a joint frame from its joint and of a skinned vertex from the
// model's own skinned vertex, relative to the model's size (the diagonal of its rest bounds).
// Also writes the model the animation speed figure is measured on.
//
//   korva_pose_figures [--arm] [MODEL.ms3d ...] [--speed-model OUT.ms3d]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host/exports.h"
#include "ms3d/model_pose.h"
#include "render/arm_models.h"
#include "render/host_playback.h"
#include "render/vertex_layout.h"
#include "standalone/standalone_host.h"
#include "support/ms3d_writer.h"

namespace korva {
namespace {
using render::Vec3;

float Distance(Vec3 a, Vec3 b) {
  const Vec3 d = a - b;
  return std::sqrt(Dot(d, d));
}

Vec3 Mirrored(const std::array<float, 3>& p) {
  return {-p[0], p[1], p[2]};
}

void Figures(const std::string& label, const std::string& path) {
  msModel model;
  if (!model.LoadFromFile(path.c_str())) {
    std::printf("%s: not readable\n", label.c_str());
    return;
  }
  model.BuildBindPose();
  standalone::StandaloneHost host;
  host.Bind();
  LoadMilkshape(korva::ToHostAddress(path.c_str()), 1);
  const sObject* object = host.GetObject(1);
  if (!object) {
    std::printf("%s: the import built no object\n", label.c_str());
    return;
  }
  // Size: the diagonal of the rest bounds.
  Vec3 low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  for (const msVertex& v : model.vertices) {
    low = {std::min(low.x, v.position[0]), std::min(low.y, v.position[1]),
           std::min(low.z, v.position[2])};
    high = {std::max(high.x, v.position[0]), std::max(high.y, v.position[1]),
            std::max(high.z, v.position[2])};
  }
  const float size = Distance(low, high);
  // Each imported vertex stands for the model vertex at its rest place (mirrored); found by
  // position, rounded to a thousandth of the size.
  const auto key = [&](Vec3 p) {
    const float cell = size * 1e-3f;
    return std::make_tuple(std::lround(p.x / cell), std::lround(p.y / cell),
                           std::lround(p.z / cell));
  };
  std::map<std::tuple<long, long, long>, size_t> byPlace;
  for (size_t i = 0; i < model.vertices.size(); ++i) {
    byPlace.emplace(key({-model.vertices[i].position[0], model.vertices[i].position[1],
                         model.vertices[i].position[2]}),
                    i);
  }
  const render::HostPose rest = render::PoseObject(*object, -1.0f);
  struct Match {
    int frame;
    size_t vertex, model;
  };
  std::vector<Match> matches;
  size_t unmatched = 0;
  for (size_t f = 0; f < rest.frames.size(); ++f) {
    const sMesh* mesh = rest.frames[f]->mesh;
    if (!mesh) continue;
    render::VertexLayout layout;
    std::string why;
    if (!render::LayoutOfMesh(*mesh, &layout, &why)) continue;
    for (size_t v = 0; v < static_cast<size_t>(std::max(0, mesh->vertexCount)); ++v) {
      // The rest place: the vertex moved by its frame alone, as the object is stored.
      const render::Vertex vertex =
          render::ReadVertex(mesh->vertexData + v * mesh->vertexSize, layout);
      const Vec3 place = render::TransformPoint(vertex.position, rest.combined[f]);
      const auto found = byPlace.find(key(place));
      if (found == byPlace.end()) {
        ++unmatched;
        continue;
      }
      matches.push_back({static_cast<int>(f), v, found->second});
    }
  }
  std::printf(
      "%s: %zu vertices, %zu joints, %d frames, size %.3g; %zu imported vertices matched "
      "(%zu not)\n",
      label.c_str(), model.vertices.size(), model.joints.size(), model.totalFrames, size,
      matches.size(), unmatched);
  const int total = model.totalFrames;
  for (const float frame : {0.0f, 1.0f, std::floor(total / 4.0f) + 0.5f,
                            static_cast<float>(total / 2), static_cast<float>(total)}) {
    const msPosedModel own = PoseModel(model, frame);
    const render::HostPose pose = render::PoseObject(*object, frame);
    float jointWorst = 0.0f;
    int jointsCompared = 0;
    for (size_t j = 0; j < model.joints.size(); ++j) {
      const std::string name(model.joints[j].name, strnlen(model.joints[j].name, kMsNameSize));
      const auto found = pose.indexOfName.find(name);
      if (found == pose.indexOfName.end()) continue;
      const D3DXMATRIX& m = pose.combined[static_cast<size_t>(found->second)];
      jointWorst = std::max(jointWorst,
                            Distance({m.m[3][0], m.m[3][1], m.m[3][2]}, Mirrored(own.joints[j])));
      ++jointsCompared;
    }
    std::map<int, render::SkinnedMesh> skinned;
    float vertexWorst = 0.0f;
    double vertexSum = 0.0;
    for (const Match& match : matches) {
      auto it = skinned.find(match.frame);
      if (it == skinned.end()) {
        std::string why;
        render::SkinnedMesh mesh;
        render::SkinMesh(*pose.frames[static_cast<size_t>(match.frame)]->mesh, match.frame, pose,
                         &mesh, &why);
        it = skinned.emplace(match.frame, std::move(mesh)).first;
      }
      const float d =
          Distance(it->second.positions[match.vertex], Mirrored(own.vertices[match.model]));
      vertexWorst = std::max(vertexWorst, d);
      vertexSum += d;
    }
    std::printf("  frame %6.1f: joints (%d) largest %.4f, vertices largest %.4f, mean %.4f\n",
                static_cast<double>(frame), jointsCompared, jointWorst / size, vertexWorst / size,
                matches.empty() ? 0.0 : vertexSum / matches.size() / size);
  }
  host.DeleteObject(1);
}

// A worm of 50 joints in a chain along x, each with a ring of 50 vertices: 100 triangles per
// segment, about 5000 in all; every joint sways about z through 100 frames.
void WriteSpeedModel(const std::string& path) {
  testing::Ms3dContent content;
  msModel& model = content.model;
  model.framesPerSecond = 25.0f;
  model.totalFrames = 100;
  constexpr int kJoints = 50, kRing = 50;
  for (int j = 0; j < kJoints; ++j) {
    msJoint joint;
    testing::SetName(joint.name, "j" + std::to_string(j));
    if (j > 0) testing::SetName(joint.parentName, "j" + std::to_string(j - 1));
    joint.position[0] = j == 0 ? 0.0f : 1.0f;
    for (int k = 0; k <= 4; ++k) {
      const float frame = 1.0f + 99.0f * k / 4.0f;
      msKeyframe rotation;
      rotation.time = frame / model.framesPerSecond;
      rotation.value[2] = 0.15f * std::sin(k * 1.57f + j * 0.3f);
      joint.rotationKeys.push_back(rotation);
      msKeyframe position;
      position.time = rotation.time;
      joint.positionKeys.push_back(position);
    }
    model.joints.push_back(joint);
  }
  for (int ring = 0; ring <= kJoints; ++ring) {
    for (int i = 0; i < kRing; ++i) {
      const float angle = 6.2831853f * i / kRing;
      testing::AddVertex(model, static_cast<float>(ring), 0.4f * std::cos(angle),
                         0.4f * std::sin(angle), static_cast<int8_t>(std::min(ring, kJoints - 1)));
    }
  }
  msGroup group;
  testing::SetName(group.name, "worm");
  group.materialIndex = -1;
  for (int ring = 0; ring < kJoints; ++ring) {
    for (int i = 0; i < kRing; ++i) {
      const uint16_t a = static_cast<uint16_t>(ring * kRing + i);
      const uint16_t b = static_cast<uint16_t>(ring * kRing + (i + 1) % kRing);
      const uint16_t quad[2][3] = {
          {a, b, static_cast<uint16_t>(b + kRing)},
          {a, static_cast<uint16_t>(b + kRing), static_cast<uint16_t>(a + kRing)}};
      for (const auto& corners : quad) {
        msTriangle triangle;
        for (int k = 0; k < 3; ++k) triangle.vertexIndices[k] = corners[k];
        group.triangleIndices.push_back(static_cast<uint16_t>(model.triangles.size()));
        model.triangles.push_back(triangle);
      }
    }
  }
  model.groups.push_back(group);
  const std::vector<uint8_t> bytes = testing::WriteMs3d(content);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  }
}

}  // namespace
}  // namespace korva

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--speed-model" && i + 1 < argc) {
      korva::WriteSpeedModel(argv[++i]);
    } else if (argument == "--arm") {
      const std::string path =
          korva::testing::WriteMs3dFile(korva::testing::BentArmMs3d({true, true}), "bent_arm.ms3d");
      korva::Figures("generated bent arm (two joints, keys at 0 and 10, shared weights)", path);
    } else {
      korva::Figures(argument, argument);
    }
  }
  return 0;
}
