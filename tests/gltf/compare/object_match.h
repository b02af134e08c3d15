// Two objects compared up to what a glTF pipeline tool may change of an asset: the order and the
// sharing of vertices, the order of triangles and the corner each starts at (never its turning
// order), and numbers within the precision the tool quantizes them to. Each object is read out as
// triangles of corners with the extents of its positions and texture coordinates; two readings
// compare to the first difference, or to the worst errors as figures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/object.h"

namespace korva::testing {

struct MatchCorner {
  float position[3] = {0, 0, 0};
  float uv[2] = {0, 0};  // the first texture set's
  bool hasUv = false;
  std::map<std::string, float> weights;  // by bone name
};
using MatchTriangle = std::array<MatchCorner, 3>;

// A mesh's triangles: a list, a strip or a fan, in the host's order of corners.
struct MatchMesh {
  std::string frame;  // of the mesh ("" for a posed object's triangles)
  uint32_t primitiveType = 0, fvf = 0;
  int32_t vertexCount = 0;
  std::vector<std::string> bones;
  std::vector<int32_t> boneVertices;  // how many vertices each bone holds
  std::vector<MatchTriangle> triangles;
};

// The largest extent of the positions over x, y, z and of the texture coordinates over u, v.
struct MatchExtents {
  double size = 1e-6, uvRange = 1e-6;
};

struct ObjectCorners {
  std::vector<MatchMesh> meshes;
  MatchExtents extents;  // of the triangles' corners
};

// Every mesh of the object, by frame in tree order, in its frame's space, each corner with the
// weights its mesh's bones give it.
ObjectCorners MeshCorners(const sObject& object);

// Every triangle the host draws of the object at `frame` (negative: at rest), in world space with
// the meshes skinned, as one mesh without weights (a tool may regroup nodes and meshes).
ObjectCorners PosedCorners(const sObject& object, float frame);

struct CornerTolerances {
  double position = 2e-3;     // of the size, per coordinate
  double uv = 2e-3;           // of the texture coordinates' range, per coordinate
  double weight = 2e-3;       // of a bone's weight on a corner
  bool sameVertices = false;  // each mesh keeps its vertex count and each bone's
};

struct CornerMatch {
  std::string difference;       // the first difference; empty when the readings match
  double position = 0, uv = 0;  // the worst corner errors, as fractions of the size and range
};

// The meshes pairwise: the same frame names, primitive types, vertex formats, bone names and
// triangle counts; each triangle of `original` matched to the nearest unused one of `other` whose
// corners, in the same turning order from any first corner, lie within the tolerances of
// `extents` (texture coordinates compared where both corners have them) with the same weights.
CornerMatch MatchCorners(const ObjectCorners& original, const ObjectCorners& other,
                         const MatchExtents& extents, const CornerTolerances& tolerances);

// Close: |a - b| <= absolute + relative |a| + ofSize max(1, size), of a value a and its copy b.
struct Closeness {
  double absolute = 0, relative = 0, ofSize = 0;
};

struct KeyTolerances {
  Closeness transform;  // frames' local matrices' entries, position and scale keys' values
  Closeness rotation;   // the distance between rotation keys' quaternions, of either sign
};

// The frame trees (the same frames in tree order, names, local matrices) and the animation sets
// (lengths, tracks by name, key counts, key frames exactly, key values within the tolerances),
// `size` the original's: the first difference, or empty.
std::string MatchFramesAndKeys(const sObject& original, const sObject& other, double size,
                               const KeyTolerances& tolerances);

// MatchFramesAndKeys, then MatchCorners of the MeshCorners readings with the original's extents.
std::string MatchObjects(const sObject& original, const sObject& other,
                         const CornerTolerances& corners, const KeyTolerances& keys);

}  // namespace korva::testing
