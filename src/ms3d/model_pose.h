// The model's own playback: every vertex and joint of an msModel where the modelling tool shows
// it at a frame, each vertex moved by up to four weighted joints.
#pragma once

#include <array>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva {

constexpr int kMaxVertexInfluences = 4;

// The joints that move one vertex and their shares of the whole (summing to 1 when count > 0).
struct VertexInfluences {
  int count = 0;
  int joints[kMaxVertexInfluences] = {};
  float weights[kMaxVertexInfluences] = {};
};

// The vertex's joints: its own joint with the first weight, the first two extra joints with the
// second and third, the third extra joint with what is left of the whole (100, or 255 with vertex
// extra subversion 1). A joint of -1 or past the model's joints is unused, and the used shares
// are scaled to sum to 1; when every weight is 0 the own joint has it all. count 0: no joint moves
// the vertex.
VertexInfluences InfluencesOf(const msModel& model, const msVertex& vertex);

// Per joint, the transform from the rest pose to the current pose: poseAbsolute x the inverse of
// bindAbsolute. Needs BuildBindPose and PoseAtFrame.
std::vector<Matrix34> SkinningMatrices(const msModel& model);

// Where `influences` take the rest point `point` (translation applied) or the direction
// `direction` (no translation, not normalised); a vertex without influences stays as it is.
std::array<float, 3> SkinPoint(const std::vector<Matrix34>& skinning,
                               const VertexInfluences& influences, const float point[3]);
std::array<float, 3> SkinDirection(const std::vector<Matrix34>& skinning,
                                   const VertexInfluences& influences, const float direction[3]);

// The model at one frame, in the modelling tool's own space (not mirrored).
struct msPosedModel {
  std::vector<std::array<float, 3>> vertices;  // one per model vertex
  std::vector<std::array<float, 3>> joints;    // each joint's origin
  std::vector<Matrix34> skinning;              // SkinningMatrices at that frame
};

// Poses the model at `frame` (PoseAtFrame; a negative frame is the rest pose) and skins every
// vertex. Needs BuildBindPose. Linear in vertices x influences.
msPosedModel PoseModel(msModel& model, float frame);

}  // namespace korva
