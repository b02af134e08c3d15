#include "gltf/compare/object_match.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/vertex_format.h"
#include "render/host_playback.h"

namespace korva::testing {
namespace {

std::string Name(const char* field) {
  return std::string(field, strnlen(field, 256));
}

std::string Figure(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

// The frames under `root` in tree order (a parent before its children), each once.
std::vector<const sFrame*> FramesOf(const sFrame* root) {
  std::vector<const sFrame*> out, stack{root};
  std::set<const sFrame*> seen;
  while (!stack.empty()) {
    const sFrame* frame = stack.back();
    stack.pop_back();
    if (!frame || !seen.insert(frame).second) continue;
    out.push_back(frame);
    stack.push_back(frame->nextSibling);
    stack.push_back(frame->firstChild);
  }
  return out;
}

// The mesh's triangles, none for points and lines; each corner at its vertex's position in the
// mesh's space with the weights of its bones, or at `posed[vertex]` without weights.
MatchMesh ReadMesh(const sMesh& mesh, const std::vector<render::Vec3>* posed) {
  MatchMesh out{"", mesh.primitiveType, mesh.fvf, mesh.vertexCount, {}, {}, {}};
  std::vector<std::map<std::string, float>> weights(posed ? 0
                                                          : size_t(std::max(mesh.vertexCount, 0)));
  for (int32_t b = 0; b < mesh.boneCount; ++b) {
    const sBone& bone = mesh.bones[b];
    out.bones.push_back(Name(bone.name));
    out.boneVertices.push_back(bone.vertexCount);
    for (int32_t k = 0; k < bone.vertexCount; ++k) {
      if (bone.weights[k] > 0 && bone.vertices[k] < weights.size())
        weights[bone.vertices[k]][out.bones.back()] += bone.weights[k];
    }
  }
  const VertexFormat format = MeshVertexFormat(mesh);
  const auto corner = [&](size_t k) {
    MatchCorner c;
    const uint16_t vertex = mesh.indexData[k];
    if (vertex >= mesh.vertexCount ||
        (posed ? vertex >= posed->size() : !format.position.present()))
      return c;
    const uint8_t* at = mesh.vertexData + size_t(vertex) * mesh.vertexSize;
    std::memcpy(c.position,
                posed ? static_cast<const void*>(&(*posed)[vertex].x) : at + format.position.offset,
                12);
    c.hasUv = format.texcoords[0].present();
    if (c.hasUv) std::memcpy(c.uv, at + format.texcoords[0].offset, 8);
    if (!posed) c.weights = weights[vertex];
    return c;
  };
  const auto add = [&](size_t a, size_t b, size_t c) {
    out.triangles.push_back({corner(a), corner(b), corner(c)});
  };
  const size_t n = mesh.indexData ? static_cast<size_t>(std::max(mesh.indexCount, 0)) : 0;
  if (mesh.primitiveType == 4) {
    for (size_t k = 0; k + 2 < n; k += 3) add(k, k + 1, k + 2);
  } else if (mesh.primitiveType == 5) {
    for (size_t k = 0; k + 2 < n; ++k) k % 2 ? add(k + 1, k, k + 2) : add(k, k + 1, k + 2);
  } else if (mesh.primitiveType == 6) {
    for (size_t k = 1; k + 1 < n; ++k) add(0, k, k + 1);
  }
  return out;
}

MatchExtents ExtentsOf(const std::vector<MatchMesh>& meshes) {
  double low[5] = {1e30, 1e30, 1e30, 1e30, 1e30}, high[5] = {-1e30, -1e30, -1e30, -1e30, -1e30};
  for (const MatchMesh& mesh : meshes) {
    for (const MatchTriangle& triangle : mesh.triangles) {
      for (const MatchCorner& c : triangle) {
        const float values[5] = {c.position[0], c.position[1], c.position[2], c.uv[0], c.uv[1]};
        for (int i = 0; i < (c.hasUv ? 5 : 3); ++i) {
          low[i] = std::min(low[i], double(values[i]));
          high[i] = std::max(high[i], double(values[i]));
        }
      }
    }
  }
  MatchExtents e;
  for (int i = 0; i < 5; ++i) {
    double& extent = i < 3 ? e.size : e.uvRange;
    extent = std::max(extent, high[i] - low[i]);
  }
  return e;
}

// Widens `position` and `uv` (where both corners have texture coordinates) to the corners'
// differences; false when a bone's weights on them differ by more than `weight`.
bool CornerErrors(const MatchCorner& a, const MatchCorner& b, double weight, double* position,
                  double* uv) {
  for (int i = 0; i < 3; ++i)
    *position = std::max(*position, std::fabs(double(a.position[i]) - b.position[i]));
  for (int i = 0; i < 2 && a.hasUv && b.hasUv; ++i)
    *uv = std::max(*uv, std::fabs(double(a.uv[i]) - b.uv[i]));
  std::map<std::string, double> difference(a.weights.begin(), a.weights.end());
  for (const auto& [bone, w] : b.weights) difference[bone] -= w;
  return std::all_of(difference.begin(), difference.end(),
                     [&](const auto& entry) { return std::fabs(entry.second) <= weight; });
}

double CentroidX(const MatchTriangle& t) {
  return (double(t[0].position[0]) + t[1].position[0] + t[2].position[0]) / 3;
}

struct TriangleErrors {
  size_t unmatched = 0;
  double position = 0, uv = 0;  // absolute, over the matched triangles
};

// Each triangle of `original` matched to the nearest unused one of `other` within the tolerances.
TriangleErrors MatchTriangles(const std::vector<MatchTriangle>& original,
                              std::vector<MatchTriangle> other, double positionTolerance,
                              double uvTolerance, double weightTolerance) {
  TriangleErrors errors;
  std::sort(other.begin(), other.end(), [](const MatchTriangle& a, const MatchTriangle& b) {
    return CentroidX(a) < CentroidX(b);
  });
  std::vector<double> centroids;
  for (const MatchTriangle& t : other) centroids.push_back(CentroidX(t));
  std::vector<bool> used(other.size(), false);
  for (const MatchTriangle& t : original) {
    const double x = CentroidX(t);
    size_t best = other.size(),
           c = static_cast<size_t>(
               std::lower_bound(centroids.begin(), centroids.end(), x - positionTolerance) -
               centroids.begin());
    double bestPosition = 0, bestUv = 0;
    for (; c < other.size() && centroids[c] <= x + positionTolerance; ++c) {
      for (int turn = 0; turn < 3 && !used[c]; ++turn) {
        double position = 0, uv = 0;
        bool weights = true;
        for (int k = 0; k < 3; ++k) {
          weights &= CornerErrors(t[k], other[c][(k + turn) % 3], weightTolerance, &position, &uv);
        }
        if (weights && position <= positionTolerance && uv <= uvTolerance &&
            (best == other.size() || position < bestPosition)) {
          best = c, bestPosition = position, bestUv = uv;
        }
      }
    }
    if (best == other.size()) {
      ++errors.unmatched;
      continue;
    }
    used[best] = true;
    errors.position = std::max(errors.position, bestPosition);
    errors.uv = std::max(errors.uv, bestUv);
  }
  return errors;
}

bool Close(double a, double b, const Closeness& c, double size) {
  return std::fabs(a - b) <=
         c.absolute + c.relative * std::fabs(a) + c.ofSize * std::max(1.0, size);
}

// `count` records of `bytes` each, an int32 frame number (none when `framed` is false) and floats:
// the first that differs, or empty.
std::string RecordsDiffer(const void* a, const void* b, int32_t count, size_t bytes, bool framed,
                          const Closeness& closeness, double size) {
  const uint8_t* x = static_cast<const uint8_t*>(a);
  const uint8_t* y = static_cast<const uint8_t*>(b);
  for (size_t k = 0; k < size_t(std::max(count, 0)); ++k, x += bytes, y += bytes) {
    if (framed && std::memcmp(x, y, 4) != 0)
      return "key " + std::to_string(k) + " at another frame";
    for (size_t at = framed ? 4 : 0; at + 4 <= bytes; at += 4) {
      float u, v;
      std::memcpy(&u, x + at, 4);
      std::memcpy(&v, y + at, 4);
      if (!Close(u, v, closeness, size)) {
        return std::string(framed ? "key " : "entry ") + std::to_string(k) + " number " +
               std::to_string(at / 4) + " is " + Figure(v) + ", the original's " + Figure(u);
      }
    }
  }
  return "";
}

std::string RotationsDiffer(const sRotateKey* a, const sRotateKey* b, int32_t count,
                            const Closeness& closeness) {
  for (int32_t k = 0; k < count; ++k) {
    if (a[k].frame != b[k].frame) return "rotation key " + std::to_string(k) + " at another frame";
    const float *u = &a[k].rotation.x, *v = &b[k].rotation.x;
    double same = 0, opposite = 0;
    for (int i = 0; i < 4; ++i) {
      same += (double(u[i]) - v[i]) * (double(u[i]) - v[i]);
      opposite += (double(u[i]) + v[i]) * (double(u[i]) + v[i]);
    }
    const double distance = std::sqrt(std::min(same, opposite));
    if (!Close(0, distance, closeness, 0))
      return "rotation key " + std::to_string(k) + " is " + Figure(distance) + " away";
  }
  return "";
}

std::string TracksDiffer(const sAnimation& x, const sAnimation& y, double size,
                         const KeyTolerances& tolerances) {
  if (Name(x.name) != Name(y.name)) return "track " + Name(y.name) + " in its place";
  if (x.positionKeyCount != y.positionKeyCount || x.rotationKeyCount != y.rotationKeyCount ||
      x.scaleKeyCount != y.scaleKeyCount)
    return "other key counts";
  std::string difference = RecordsDiffer(x.positionKeys, y.positionKeys, x.positionKeyCount,
                                         sizeof(sPositionKey), true, tolerances.transform, size);
  if (difference.empty())
    difference =
        RotationsDiffer(x.rotationKeys, y.rotationKeys, x.rotationKeyCount, tolerances.rotation);
  if (difference.empty())
    difference = RecordsDiffer(x.scaleKeys, y.scaleKeys, x.scaleKeyCount, sizeof(sScaleKey), true,
                               tolerances.transform, size);
  return difference;
}

}  // namespace

ObjectCorners MeshCorners(const sObject& object) {
  ObjectCorners out;
  for (const sFrame* frame : FramesOf(object.rootFrame)) {
    if (!frame->mesh) continue;
    out.meshes.push_back(ReadMesh(*frame->mesh, nullptr));
    out.meshes.back().frame = Name(frame->name);
  }
  out.extents = ExtentsOf(out.meshes);
  return out;
}

ObjectCorners PosedCorners(const sObject& object, float frame) {
  ObjectCorners out;
  out.meshes.push_back({"", 4, 0, 0, {}, {}, {}});
  std::vector<MatchTriangle>& all = out.meshes.back().triangles;
  const render::HostPose pose = render::PoseObject(object, frame);
  for (size_t f = 0; f < pose.frames.size(); ++f) {
    const sMesh* mesh = pose.frames[f]->mesh;
    render::SkinnedMesh skinned;
    std::string why;
    if (!mesh || !render::SkinMesh(*mesh, static_cast<int>(f), pose, &skinned, &why)) continue;
    const MatchMesh read = ReadMesh(*mesh, &skinned.positions);
    all.insert(all.end(), read.triangles.begin(), read.triangles.end());
  }
  out.extents = ExtentsOf(out.meshes);
  return out;
}

CornerMatch MatchCorners(const ObjectCorners& original, const ObjectCorners& other,
                         const MatchExtents& extents, const CornerTolerances& tolerances) {
  CornerMatch match;
  const auto differs = [&](const std::string& where, const std::string& what) {
    match.difference = where + what;
    return match;
  };
  if (original.meshes.size() != other.meshes.size()) {
    return differs(std::to_string(other.meshes.size()) + " meshes, the original ",
                   std::to_string(original.meshes.size()));
  }
  double worstPosition = 0, worstUv = 0;
  for (size_t m = 0; m < original.meshes.size(); ++m) {
    const MatchMesh &a = original.meshes[m], &b = other.meshes[m];
    const std::string where = a.frame.empty() ? "" : "mesh of " + a.frame + ": ";
    if (a.frame != b.frame) return differs(where, "its place holds the mesh of " + b.frame);
    if (a.primitiveType != b.primitiveType) return differs(where, "another primitive type");
    if (a.fvf != b.fvf) return differs(where, "another vertex format");
    if (a.triangles.size() != b.triangles.size()) {
      return differs(where, std::to_string(b.triangles.size()) + " triangles, the original " +
                                std::to_string(a.triangles.size()));
    }
    if (a.bones != b.bones) return differs(where, "other bones");
    if (tolerances.sameVertices &&
        (a.vertexCount != b.vertexCount || a.boneVertices != b.boneVertices))
      return differs(where, "other vertices (their count, or how many a bone holds)");
    const double p = tolerances.position * extents.size, uv = tolerances.uv * extents.uvRange;
    const TriangleErrors e = MatchTriangles(a.triangles, b.triangles, p, uv, tolerances.weight);
    if (e.unmatched) {
      // How far off they are: the nearest within a quarter of the size and range.
      const TriangleErrors loose = MatchTriangles(a.triangles, b.triangles, 0.25 * extents.size,
                                                  0.25 * extents.uvRange, 1.0);
      return differs(where, std::to_string(e.unmatched) + " of " +
                                std::to_string(a.triangles.size()) +
                                " triangles differ from the original's by more than " +
                                Figure(tolerances.position) + " (up to " +
                                Figure(loose.position / extents.size) + " of the size, " +
                                Figure(loose.uv / extents.uvRange) + " of the texture range)");
    }
    worstPosition = std::max(worstPosition, e.position);
    worstUv = std::max(worstUv, e.uv);
  }
  match.position = worstPosition / extents.size;
  match.uv = worstUv / extents.uvRange;
  return match;
}

std::string MatchFramesAndKeys(const sObject& original, const sObject& other, double size,
                               const KeyTolerances& tolerances) {
  const std::vector<const sFrame*> framesA = FramesOf(original.rootFrame),
                                   framesB = FramesOf(other.rootFrame);
  if (framesA.size() != framesB.size())
    return std::to_string(framesB.size()) + " frames, the original " +
           std::to_string(framesA.size());
  for (size_t f = 0; f < framesA.size(); ++f) {
    const std::string name = Name(framesA[f]->name);
    if (name != Name(framesB[f]->name)) return "frame " + Name(framesB[f]->name) + " where " + name;
    const std::string difference =
        RecordsDiffer(&framesA[f]->localMatrix, &framesB[f]->localMatrix, 1, sizeof(D3DXMATRIX),
                      false, tolerances.transform, size);
    if (!difference.empty()) return "frame " + name + ": matrix " + difference;
  }
  const sAnimationSet *setA = original.animationSet, *setB = other.animationSet;
  for (; setA && setB; setA = setA->next, setB = setB->next) {
    if (setA->length != setB->length) {
      return "animation of " + std::to_string(setB->length) + " frames, the original's " +
             std::to_string(setA->length);
    }
    const sAnimation *x = setA->firstTrack, *y = setB->firstTrack;
    for (; x && y; x = x->next, y = y->next) {
      const std::string difference = TracksDiffer(*x, *y, size, tolerances);
      if (!difference.empty()) return "track " + Name(x->name) + ": " + difference;
    }
    if (x || y) return "another number of tracks";
  }
  return setA || setB ? "another number of animation sets" : "";
}

std::string MatchObjects(const sObject& original, const sObject& other,
                         const CornerTolerances& corners, const KeyTolerances& keys) {
  const ObjectCorners a = MeshCorners(original);
  const std::string difference = MatchFramesAndKeys(original, other, a.extents.size, keys);
  return difference.empty() ? MatchCorners(a, MeshCorners(other), a.extents, corners).difference
                            : difference;
}

}  // namespace korva::testing
