// The host's playback of an object: its frame tree posed at a frame by the first animation set,
// and its meshes skinned by their bones.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "render/render_math.h"

namespace korva::render {

// The quaternion's rotation as a row-vector matrix (no translation); q need not be unit length.
D3DXMATRIX RotationFromQuaternion(const D3DXQUATERNION& q);

// Spherical interpolation from p (t = 0) to q (t = 1) along the shorter arc, normalised.
D3DXQUATERNION Slerp(const D3DXQUATERNION& p, const D3DXQUATERNION& q, float t);

// How a track's keys make a frame's local matrix where the track has no keys of some kind. The
// host's rule for it is not written down; objects meant for any host carry keys of every kind
// (the glTF reader's do), and then both rules give the same.
enum class MissingKeys {
  kKeepFrameParts,  // the frame's own rotation (with its scale) and translation stay
  kFromIdentity,    // no turn, no move, scale 1: the classic key sampler's rule
};

// The local matrix `track` gives at `frame`: scaling, then rotation, then translation, each
// interpolated between the key at or before the frame and the next (rotations along the shorter
// arc, positions and scales by their key's per-frame step times the frames since it). Before the
// first key the first key holds, past the last the last. Where the track has no keys of a kind,
// `rule` says what stands in for them, from `restLocal` or from nothing.
D3DXMATRIX TrackLocalMatrix(const sAnimation& track, float frame, const D3DXMATRIX& restLocal,
                            MissingKeys rule = MissingKeys::kKeepFrameParts);

// Every frame of an object with its local and combined matrices at one frame.
struct HostPose {
  std::vector<const sFrame*> frames;  // tree order: a parent before its children
  std::vector<int> parents;           // index in `frames` of the frame above, or -1
  std::vector<D3DXMATRIX> locals;
  std::vector<D3DXMATRIX> combined;  // local x the parent's combined, up to the root
  std::unordered_map<const sFrame*, int> indexOfFrame;
  std::unordered_map<std::string, int> indexOfName;  // the first frame of each name
  std::vector<std::string> warnings;

  // Index of `frame` in `frames`, or -1.
  int IndexOf(const sFrame* frame) const;
};

// Poses the object's frame tree at `frame`: each track of the first animation set drives the
// frame of its name, other frames keep their local matrix; a negative frame, or an object without
// animation, is the rest state. Walked with an explicit stack (any depth); a frame linked twice is
// walked once, with a warning.
HostPose PoseObject(const sObject& object, float frame,
                    MissingKeys rule = MissingKeys::kKeepFrameParts);

// The length in frames of the first animation set; 0 without one.
int AnimationLength(const sObject& object);

// The posed positions (and normals, zero where the vertex has none) of the vertices of `mesh`,
// held by pose.frames[frameIndex], in world space. A vertex that bones name moves by the sum over
// those bones of weight x (vertex x offset matrix x combined matrix of the bone's frame, found by
// name); any other vertex moves with the mesh's frame. False with `*why` set when the vertex
// layout cannot be read; bones without a frame or with indices past the vertices add warnings.
struct SkinnedMesh {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<std::string> warnings;
};
bool SkinMesh(const sMesh& mesh, int frameIndex, const HostPose& pose, SkinnedMesh* skinned,
              std::string* why);

}  // namespace korva::render
