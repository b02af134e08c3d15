// korva_gltf_pipeline_compare ORIGINAL CHANGED: whether a glTF asset that a pipeline tool rewrote
// (quantized, compressed, its textures re-encoded) reads as the object its original gives. The
// tools reorder vertices and regroup nodes and meshes, so the objects are compared as the host
// draws them: every triangle corner's position in world space (skinned, at rest and at frames of
// the animation) within 2e-3 of the model's size, and its texture coordinates within 2e-3 of their
// range, triangle by triangle. One line on stdout says what was compared; exit 1 on a difference.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gltf/build/gltf_import.h"
#include "model/vertex_format.h"
#include "render/host_playback.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

constexpr double kTolerance = 2e-3;

struct Corner {
  render::Vec3 position;
  float uv[2] = {0, 0};
  bool hasUv = false;
};

struct Triangle {
  Corner corners[3];
  float centroidX = 0;
};

struct Read {
  gltf::ImportedAsset asset;
  std::string error;
};

bool ReadAsset(const std::string& path, Read* read) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const gltf::doc::ResourceReader files = [&](const std::string& relative,
                                              std::vector<uint8_t>* out, std::string* problem) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(folder / relative, error)) {
      *problem = "does not exist";
      return false;
    }
    *out = ReadWholeFile((folder / relative).string());
    return true;
  };
  return gltf::ImportGltf(bytes.data(), bytes.size(), files, gltf::ImportOptions(), &read->asset,
                          &read->error);
}

// Every triangle the object draws at `frame` (negative: at rest), in the host's order of corners.
std::vector<Triangle> Triangles(const sObject& object, float frame, bool* textured) {
  std::vector<Triangle> out;
  const render::HostPose pose = render::PoseObject(object, frame);
  for (size_t f = 0; f < pose.frames.size(); ++f) {
    const sMesh* mesh = pose.frames[f]->mesh;
    if (!mesh || mesh->primitiveType < 4) continue;
    render::SkinnedMesh skinned;
    std::string why;
    if (!render::SkinMesh(*mesh, static_cast<int>(f), pose, &skinned, &why)) continue;
    const VertexFormat format = FormatFromFvf(mesh->fvf);
    const bool uvs = format.texcoords[0].present();
    *textured = *textured || uvs;
    const auto corner = [&](uint32_t vertex) {
      Corner c;
      c.position = skinned.positions[vertex];
      c.hasUv = uvs;
      if (uvs) {
        std::memcpy(c.uv, mesh->vertexData + vertex * mesh->vertexSize + format.texcoords[0].offset,
                    8);
      }
      return c;
    };
    const std::vector<uint16_t> indices(mesh->indexData, mesh->indexData + mesh->indexCount);
    const auto add = [&](uint32_t a, uint32_t b, uint32_t c) {
      Triangle t{{corner(a), corner(b), corner(c)}};
      t.centroidX =
          (t.corners[0].position.x + t.corners[1].position.x + t.corners[2].position.x) / 3;
      out.push_back(t);
    };
    const size_t n = indices.size();
    if (mesh->primitiveType == 4) {
      for (size_t k = 0; k + 2 < n; k += 3) add(indices[k], indices[k + 1], indices[k + 2]);
    } else if (mesh->primitiveType == 5) {
      for (size_t k = 0; k + 2 < n; ++k) {
        if (k % 2 == 0)
          add(indices[k], indices[k + 1], indices[k + 2]);
        else
          add(indices[k + 1], indices[k], indices[k + 2]);
      }
    } else {
      for (size_t k = 1; k + 1 < n; ++k) add(indices[0], indices[k], indices[k + 1]);
    }
  }
  return out;
}

double Distance(const render::Vec3& a, const render::Vec3& b) {
  return std::max({std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z)});
}

struct Errors {
  double position = 0, uv = 0;
  size_t unmatched = 0;
};

// Each original triangle matched to the nearest unused changed one with the same corners in the
// same turning order (any first corner).
Errors Compare(const std::vector<Triangle>& original, std::vector<Triangle> changed,
               double positionTolerance, double uvTolerance, bool compareUvs) {
  Errors errors;
  std::sort(changed.begin(), changed.end(),
            [](const Triangle& a, const Triangle& b) { return a.centroidX < b.centroidX; });
  std::vector<bool> used(changed.size(), false);
  for (const Triangle& t : original) {
    const auto first =
        std::lower_bound(changed.begin(), changed.end(), t.centroidX - positionTolerance,
                         [](const Triangle& c, double x) { return c.centroidX < x; });
    size_t best = changed.size();
    double bestPosition = 0, bestUv = 0;
    for (auto c = first; c != changed.end() && c->centroidX <= t.centroidX + positionTolerance;
         ++c) {
      const size_t index = static_cast<size_t>(c - changed.begin());
      if (used[index]) continue;
      for (int turn = 0; turn < 3; ++turn) {
        double position = 0, uv = 0;
        for (int k = 0; k < 3; ++k) {
          const Corner& a = t.corners[k];
          const Corner& b = c->corners[(k + turn) % 3];
          position = std::max(position, Distance(a.position, b.position));
          // A tool drops the coordinates of a mesh that has no texture to use them.
          if (compareUvs && a.hasUv && b.hasUv) {
            uv = std::max(
                {uv, std::fabs(double(a.uv[0]) - b.uv[0]), std::fabs(double(a.uv[1]) - b.uv[1])});
          }
        }
        if (position <= positionTolerance && uv <= uvTolerance &&
            (best == changed.size() || position < bestPosition)) {
          best = index, bestPosition = position, bestUv = uv;
        }
      }
    }
    if (best == changed.size()) {
      ++errors.unmatched;
      continue;
    }
    used[best] = true;
    errors.position = std::max(errors.position, bestPosition);
    errors.uv = std::max(errors.uv, bestUv);
  }
  errors.unmatched += static_cast<size_t>(std::count(used.begin(), used.end(), false));
  return errors;
}

int Run(const std::string& originalPath, const std::string& changedPath) {
  Read original, changed;
  if (!ReadAsset(originalPath, &original)) {
    std::printf("%s: %s\n", originalPath.c_str(), original.error.c_str());
    return 1;
  }
  if (!ReadAsset(changedPath, &changed)) {
    std::printf("%s: %s\n", changedPath.c_str(), changed.error.c_str());
    return 1;
  }
  const sObject& a = *original.asset.object;
  const sObject& b = *changed.asset.object;
  // Tools resample curves (at 30 a second, say), which may end a clip in the next whole frame.
  const int length = std::min(render::AnimationLength(a), render::AnimationLength(b));
  if (std::abs(render::AnimationLength(b) - render::AnimationLength(a)) > 1) {
    std::printf("%s: animation of %d frames, the original's %d\n", changedPath.c_str(),
                render::AnimationLength(b), render::AnimationLength(a));
    return 1;
  }
  // The model's size and the texture coordinates' range, from the original at rest.
  bool textured = false;
  const std::vector<Triangle> rest = Triangles(a, -1, &textured);
  render::Vec3 low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  float uvLow[2] = {1e30f, 1e30f}, uvHigh[2] = {-1e30f, -1e30f};
  for (const Triangle& t : rest) {
    for (const Corner& c : t.corners) {
      low = {std::min(low.x, c.position.x), std::min(low.y, c.position.y),
             std::min(low.z, c.position.z)};
      high = {std::max(high.x, c.position.x), std::max(high.y, c.position.y),
              std::max(high.z, c.position.z)};
      for (int i = 0; i < 2; ++i) {
        uvLow[i] = std::min(uvLow[i], c.uv[i]);
        uvHigh[i] = std::max(uvHigh[i], c.uv[i]);
      }
    }
  }
  const double size = std::max({high.x - low.x, high.y - low.y, high.z - low.z, 1e-6f});
  const double uvRange = std::max({uvHigh[0] - uvLow[0], uvHigh[1] - uvLow[1], 1e-6f});
  std::vector<float> frames = {-1};
  for (int i = 0; i <= 4 && length > 0; ++i) frames.push_back(float(length * i / 4));
  Errors worst;
  for (const float frame : frames) {
    bool unused = false;
    const Errors e =
        Compare(frame < 0 ? rest : Triangles(a, frame, &unused), Triangles(b, frame, &unused),
                kTolerance * size, kTolerance * uvRange, textured);
    if (e.unmatched) {
      const Errors loose =
          Compare(frame < 0 ? rest : Triangles(a, frame, &unused), Triangles(b, frame, &unused),
                  0.25 * size, 0.25 * uvRange, textured);
      std::printf(
          "%s: %zu triangles at %s differ from the original's by more than 2e-3 (up to "
          "%.2g of the size, %.2g of the texture range)\n",
          changedPath.c_str(), e.unmatched,
          frame < 0 ? "rest" : ("frame " + std::to_string(int(frame))).c_str(),
          loose.position / size, loose.uv / uvRange);
      return 1;
    }
    worst.position = std::max(worst.position, e.position);
    worst.uv = std::max(worst.uv, e.uv);
  }
  std::printf(
      "%s: %zu triangles at rest and %zu frames: positions within %.2g of the size %.3g, "
      "texture coordinates within %.2g of their range %.3g\n",
      changedPath.c_str(), rest.size(), frames.size() - 1, worst.position / size, size,
      textured ? worst.uv / uvRange : 0.0, textured ? uvRange : 0.0);
  return 0;
}

}  // namespace
}  // namespace korva::testing

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korva_gltf_pipeline_compare ORIGINAL CHANGED\n");
    return 2;
  }
  return korva::testing::Run(argv[1], argv[2]);
}
