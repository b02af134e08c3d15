#include "render/host_playback.h"

#include <cmath>
#include <cstring>
#include <unordered_set>

#include "render/vertex_layout.h"
#include "text/utf8_text.h"

namespace korva::render {
namespace {

std::string NameOf(const char* field, size_t width) {
  return std::string(field, strnlen(field, width));
}

// Index of the key that holds `frame`: the last whose frame is at or before it, 0 before the
// first.
const D3DXVECTOR3& ValueOf(const sPositionKey& key) {
  return key.position;
}
const D3DXVECTOR3& ValueOf(const sScaleKey& key) {
  return key.scale;
}

template <typename Key>
int32_t KeyAtOrBefore(const Key* keys, int32_t count, float frame) {
  int32_t k = 0;
  while (k + 1 < count && static_cast<float>(keys[k + 1].frame) <= frame) ++k;
  return k;
}

// The value of position or scale keys at `frame`: the key at or before it plus its per-frame step
// times the frames since it. The step leads towards the next key; past the last key (or before
// the first) the key's value holds.
template <typename Key>
D3DXVECTOR3 SteppedValue(const Key* keys, int32_t count, float frame) {
  const int32_t k = KeyAtOrBefore(keys, count, frame);
  const Key& key = keys[k];
  float since = frame - static_cast<float>(key.frame);
  if (k + 1 >= count || since < 0.0f) since = 0.0f;
  const D3DXVECTOR3& value = ValueOf(key);
  return {value.x + key.step.x * since, value.y + key.step.y * since, value.z + key.step.z * since};
}

}  // namespace

int HostPose::IndexOf(const sFrame* frame) const {
  const auto found = indexOfFrame.find(frame);
  return found == indexOfFrame.end() ? -1 : found->second;
}

D3DXMATRIX RotationFromQuaternion(const D3DXQUATERNION& q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  D3DXMATRIX m = IdentityMatrix();
  m.m[0][0] = 1.0f - 2.0f * (y * y + z * z);
  m.m[0][1] = 2.0f * (x * y + z * w);
  m.m[0][2] = 2.0f * (x * z - y * w);
  m.m[1][0] = 2.0f * (x * y - z * w);
  m.m[1][1] = 1.0f - 2.0f * (x * x + z * z);
  m.m[1][2] = 2.0f * (y * z + x * w);
  m.m[2][0] = 2.0f * (x * z + y * w);
  m.m[2][1] = 2.0f * (y * z - x * w);
  m.m[2][2] = 1.0f - 2.0f * (x * x + y * y);
  return m;
}

D3DXQUATERNION Slerp(const D3DXQUATERNION& p, const D3DXQUATERNION& q, float t) {
  float cosine = p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w;
  float sign = 1.0f;
  if (cosine < 0.0f) cosine = -cosine, sign = -1.0f;
  float a = 1.0f - t, b = t;
  // Nearly equal rotations: the sine below would be close to zero, and straight weights are as
  // good there.
  if (cosine < 0.9999f) {
    const float angle = std::acos(cosine);
    const float sine = std::sin(angle);
    a = std::sin((1.0f - t) * angle) / sine;
    b = std::sin(t * angle) / sine;
  }
  b *= sign;
  D3DXQUATERNION r{a * p.x + b * q.x, a * p.y + b * q.y, a * p.z + b * q.z, a * p.w + b * q.w};
  const float length = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z + r.w * r.w);
  if (length > 0.0f) r = {r.x / length, r.y / length, r.z / length, r.w / length};
  return r;
}

D3DXMATRIX TrackLocalMatrix(const sAnimation& track, float frame, const D3DXMATRIX& restLocal,
                            MissingKeys rule) {
  const bool keep = rule == MissingKeys::kKeepFrameParts;
  D3DXMATRIX local = keep ? restLocal : IdentityMatrix();
  const bool rotates = track.rotationKeyCount > 0 && track.rotationKeys;
  if (rotates) {
    const sRotateKey* keys = track.rotationKeys;
    const int32_t count = track.rotationKeyCount;
    const int32_t k = KeyAtOrBefore(keys, count, frame);
    D3DXQUATERNION rotation = keys[k].rotation;
    const float from = static_cast<float>(keys[k].frame);
    if (k + 1 < count && frame > from) {
      const float to = static_cast<float>(keys[k + 1].frame);
      if (to > from) rotation = Slerp(rotation, keys[k + 1].rotation, (frame - from) / (to - from));
    }
    const D3DXMATRIX turn = RotationFromQuaternion(rotation);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) local.m[r][c] = turn.m[r][c];
    }
  }
  if (track.scaleKeyCount > 0 && track.scaleKeys) {
    const D3DXVECTOR3 scale = SteppedValue(track.scaleKeys, track.scaleKeyCount, frame);
    const float factors[3] = {scale.x, scale.y, scale.z};
    // Scaling comes first: each row of the turn grows by its axis' factor. Without rotation keys
    // the frame's own turn stands, its own scale taken out.
    for (int r = 0; r < 3; ++r) {
      float length = 1.0f;
      if (!rotates && keep) {
        length = std::sqrt(local.m[r][0] * local.m[r][0] + local.m[r][1] * local.m[r][1] +
                           local.m[r][2] * local.m[r][2]);
        if (!(length > 0.0f)) length = 1.0f;
      }
      for (int c = 0; c < 3; ++c) local.m[r][c] *= factors[r] / length;
    }
  }
  if (track.positionKeyCount > 0 && track.positionKeys) {
    const D3DXVECTOR3 position = SteppedValue(track.positionKeys, track.positionKeyCount, frame);
    local.m[3][0] = position.x;
    local.m[3][1] = position.y;
    local.m[3][2] = position.z;
  }
  return local;
}

int AnimationLength(const sObject& object) {
  return object.animationSet ? object.animationSet->length : 0;
}

HostPose PoseObject(const sObject& object, float frame, MissingKeys rule) {
  HostPose pose;
  std::unordered_map<std::string, const sAnimation*> tracks;
  if (frame >= 0.0f && object.animationSet) {
    std::unordered_set<const sAnimation*> seen;
    for (const sAnimation* track = object.animationSet->firstTrack;
         track && seen.insert(track).second; track = track->next) {
      tracks.emplace(NameOf(track->name, sizeof track->name), track);
    }
  }
  struct Pending {
    const sFrame* frame;
    int parent;
  };
  std::vector<Pending> stack;
  if (object.rootFrame) stack.push_back({object.rootFrame, -1});
  bool reportedCycle = false;
  while (!stack.empty()) {
    const Pending pending = stack.back();
    stack.pop_back();
    const sFrame* current = pending.frame;
    const int index = static_cast<int>(pose.frames.size());
    if (!pose.indexOfFrame.emplace(current, index).second) {
      if (!reportedCycle) {
        pose.warnings.push_back("the frame tree links a frame twice; drawn once");
        reportedCycle = true;
      }
      continue;
    }
    const std::string name = NameOf(current->name, sizeof current->name);
    pose.indexOfName.emplace(name, index);
    const auto track = tracks.find(name);
    const D3DXMATRIX local =
        track == tracks.end() ? current->localMatrix
                              : TrackLocalMatrix(*track->second, frame, current->localMatrix, rule);
    pose.frames.push_back(current);
    pose.parents.push_back(pending.parent);
    pose.locals.push_back(local);
    pose.combined.push_back(
        pending.parent < 0 ? local
                           : Multiply(local, pose.combined[static_cast<size_t>(pending.parent)]));
    // Siblings are pushed first so children are walked first, as the scene walk does.
    if (current->nextSibling) stack.push_back({current->nextSibling, pending.parent});
    if (current->firstChild) stack.push_back({current->firstChild, index});
  }
  return pose;
}

bool SkinMesh(const sMesh& mesh, int frameIndex, const HostPose& pose, SkinnedMesh* skinned,
              std::string* why) {
  VertexLayout layout;
  if (!LayoutOfMesh(mesh, &layout, why)) return false;
  if (frameIndex < 0 || static_cast<size_t>(frameIndex) >= pose.frames.size()) {
    *why = "its frame is not in the frame tree";
    return false;
  }
  const size_t count = mesh.vertexCount > 0 && mesh.vertexData ? mesh.vertexCount : 0;
  const D3DXMATRIX& meshWorld = pose.combined[static_cast<size_t>(frameIndex)];
  std::vector<Vec3> rest(count), restNormals(count);
  skinned->positions.assign(count, Vec3{});
  skinned->normals.assign(count, Vec3{});
  for (size_t i = 0; i < count; ++i) {
    const Vertex vertex = ReadVertex(mesh.vertexData + i * mesh.vertexSize, layout);
    rest[i] = vertex.position;
    if (vertex.hasNormal) restNormals[i] = vertex.normal;
  }
  std::vector<bool> named(count, false);
  int bonesWithoutFrame = 0;
  int64_t indicesPastVertices = 0;
  for (int32_t b = 0; mesh.bones && b < mesh.boneCount; ++b) {
    const sBone& bone = mesh.bones[b];
    const auto found = pose.indexOfName.find(NameOf(bone.name, sizeof bone.name));
    if (found == pose.indexOfName.end()) {
      ++bonesWithoutFrame;
      continue;
    }
    if (bone.vertexCount <= 0 || !bone.vertices || !bone.weights) continue;
    const D3DXMATRIX skin =
        Multiply(bone.offsetMatrix, pose.combined[static_cast<size_t>(found->second)]);
    for (int32_t k = 0; k < bone.vertexCount; ++k) {
      const uint32_t v = bone.vertices[k];
      if (v >= count) {
        ++indicesPastVertices;
        continue;
      }
      const float weight = bone.weights[k];
      skinned->positions[v] = skinned->positions[v] + TransformPoint(rest[v], skin) * weight;
      const Vec3 turned{restNormals[v].x * skin.m[0][0] + restNormals[v].y * skin.m[1][0] +
                            restNormals[v].z * skin.m[2][0],
                        restNormals[v].x * skin.m[0][1] + restNormals[v].y * skin.m[1][1] +
                            restNormals[v].z * skin.m[2][1],
                        restNormals[v].x * skin.m[0][2] + restNormals[v].y * skin.m[1][2] +
                            restNormals[v].z * skin.m[2][2]};
      skinned->normals[v] = skinned->normals[v] + turned * weight;
      named[v] = true;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    if (named[i]) {
      skinned->normals[i] = Normalize(skinned->normals[i]);
    } else {
      skinned->positions[i] = TransformPoint(rest[i], meshWorld);
      skinned->normals[i] = TransformNormal(restNormals[i], meshWorld);
    }
  }
  const std::string name =
      NameOf(pose.frames[static_cast<size_t>(frameIndex)]->name, sizeof pose.frames[0]->name);
  if (bonesWithoutFrame > 0) {
    skinned->warnings.push_back("mesh of frame \"" + text::Utf8Text(name) +
                                "\": " + std::to_string(bonesWithoutFrame) +
                                " bones name no frame and move nothing");
  }
  if (indicesPastVertices > 0) {
    skinned->warnings.push_back("mesh of frame \"" + text::Utf8Text(name) +
                                "\": " + std::to_string(indicesPastVertices) +
                                " bone vertex indices past the vertices ignored");
  }
  return true;
}

}  // namespace korva::render
