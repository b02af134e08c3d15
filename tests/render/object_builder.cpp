#include "object_builder.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/host_heap.h"
#include "model/texture.h"

namespace korva::testing {

void ObjectDeleter::operator()(sObject* object) const {
  ReleaseObjectRecords(object);
  HostFree(object);
}

ObjectHandle NewEmptyObject() {
  return ObjectHandle(NewObject());
}

sFrame* AddFrame(sObject* object, sFrame* parent, const D3DXMATRIX& local, const char* name) {
  sFrame* frame = NewFrame();
  if (!frame) throw std::bad_alloc();
  std::strncpy(frame->name, name, sizeof frame->name - 1);
  frame->localMatrix = local;
  frame->parent = parent;
  sFrame** link = parent ? &parent->firstChild : &object->rootFrame;
  while (*link) link = &(*link)->nextSibling;
  *link = frame;
  return frame;
}

sMesh* AttachMesh(sFrame* frame, const std::vector<BuiltVertex>& vertices,
                  const std::vector<uint16_t>& indices, float r, float g, float b) {
  sMesh* mesh = NewMesh();
  if (!mesh) throw std::bad_alloc();
  frame->mesh = mesh;
  mesh->fvf = 0x152;
  mesh->vertexSize = 36;
  mesh->vertexCount = static_cast<int32_t>(vertices.size());
  mesh->indexCount = static_cast<int32_t>(indices.size());
  mesh->drawVertexCount = mesh->vertexCount;
  mesh->drawPrimitiveCount = mesh->indexCount / 3;
  mesh->vertexData =
      static_cast<uint8_t*>(HostAllocateZeroed(vertices.size() ? vertices.size() : 1, 36));
  mesh->indexData =
      static_cast<uint16_t*>(HostAllocateZeroed(indices.size() ? indices.size() : 1, 2));
  for (size_t i = 0; i < vertices.size(); ++i) {
    uint8_t* p = mesh->vertexData + i * 36;
    const BuiltVertex& v = vertices[i];
    const float floats[6] = {v.position.x, v.position.y, v.position.z,
                             v.normal.x,   v.normal.y,   v.normal.z};
    std::memcpy(p, floats, sizeof floats);
    const uint32_t white = 0xFFFFFFFF;
    std::memcpy(p + 24, &white, 4);
    std::memcpy(p + 28, &v.u, 4);
    std::memcpy(p + 32, &v.v, 4);
  }
  if (!indices.empty()) std::memcpy(mesh->indexData, indices.data(), indices.size() * 2);
  mesh->usesOwnMaterial = 1;
  mesh->material.Diffuse = {r, g, b, 1.0f};
  mesh->textures = NewCountedArray<sTexture>(2, ConstructTexture);
  mesh->textureCount = 2;
  return mesh;
}

std::vector<BuiltVertex> QuadFacingPlusZ(float x0, float y0, float x1, float y1, float z) {
  const float left = std::fmax(x0, x1), right = std::fmin(x0, x1);  // +x is on the left
  const float top = std::fmax(y0, y1), bottom = std::fmin(y0, y1);
  return {{{left, top, z}, {0, 0, 1}, 0, 0},
          {{right, top, z}, {0, 0, 1}, 1, 0},
          {{right, bottom, z}, {0, 0, 1}, 1, 1},
          {{left, bottom, z}, {0, 0, 1}, 0, 1}};
}

std::vector<BuiltVertex> Quad(render::Vec3 origin, render::Vec3 edgeU, render::Vec3 edgeV) {
  const render::Vec3 normal = render::Normalize(render::Cross(edgeU, edgeV));
  return {{origin, normal, 0, 0},
          {origin + edgeU, normal, 1, 0},
          {origin + edgeU + edgeV, normal, 1, 1},
          {origin + edgeV, normal, 0, 1}};
}

std::vector<uint16_t> FrontQuadIndices() {
  return {0, 1, 2, 0, 2, 3};
}
std::vector<uint16_t> BackQuadIndices() {
  return {1, 0, 2, 2, 0, 3};
}

void AddBone(sMesh* mesh, const char* name, const D3DXMATRIX& offset,
             const std::vector<BuiltInfluence>& influences) {
  // Bones are a counted array: grow it by copying the records into a bigger one.
  const int32_t count = mesh->boneCount + 1;
  sBone* bones = NewCountedArray<sBone>(static_cast<uint32_t>(count), ConstructBone);
  if (!bones) throw std::bad_alloc();
  if (mesh->bones) {
    std::memcpy(bones, mesh->bones, sizeof(sBone) * static_cast<size_t>(mesh->boneCount));
    FreeCountedArrayBlock(mesh->bones);
  }
  mesh->bones = bones;
  mesh->boneCount = count;
  sBone& bone = bones[count - 1];
  std::strncpy(bone.name, name, sizeof bone.name - 1);
  bone.offsetMatrix = offset;
  bone.vertexCount = static_cast<int32_t>(influences.size());
  bone.vertices = static_cast<uint32_t*>(HostAllocateZeroed(influences.size() + 1, 4));
  bone.weights = static_cast<float*>(HostAllocateZeroed(influences.size() + 1, 4));
  for (size_t i = 0; i < influences.size(); ++i) {
    bone.vertices[i] = influences[i].vertex;
    bone.weights[i] = influences[i].weight;
  }
}

namespace {

// Position or scale keys: a frame, a value and a per-frame step each.
template <typename Key>
Key* SteppedKeys(const std::vector<BuiltPositionKey>& built) {
  Key* keys = static_cast<Key*>(HostAllocateZeroed(built.size() + 1, sizeof(Key)));
  for (size_t i = 0; i < built.size(); ++i) {
    const BuiltPositionKey& key = built[i];
    keys[i] = {key.frame,
               {key.position.x, key.position.y, key.position.z},
               {key.step.x, key.step.y, key.step.z}};
  }
  return keys;
}

}  // namespace

void AddTrack(sObject* object, const char* name, int32_t length,
              const std::vector<BuiltRotationKey>& rotations,
              const std::vector<BuiltPositionKey>& positions,
              const std::vector<BuiltPositionKey>& scales) {
  if (!object->animationSet) {
    object->animationSet = NewAnimationSet();
    if (!object->animationSet) throw std::bad_alloc();
    object->animationSet->length = length;
  }
  sAnimation* track = NewAnimation();
  if (!track) throw std::bad_alloc();
  std::strncpy(track->name, name, sizeof track->name - 1);
  track->rotationKeyCount = static_cast<int32_t>(rotations.size());
  track->rotationKeys =
      static_cast<sRotateKey*>(HostAllocateZeroed(rotations.size() + 1, sizeof(sRotateKey)));
  for (size_t i = 0; i < rotations.size(); ++i) {
    const float half = rotations[i].radiansAboutZ / 2;
    track->rotationKeys[i] = {rotations[i].frame, {0, 0, std::sin(half), std::cos(half)}};
  }
  track->positionKeyCount = static_cast<int32_t>(positions.size());
  track->positionKeys = SteppedKeys<sPositionKey>(positions);
  track->scaleKeyCount = static_cast<int32_t>(scales.size());
  track->scaleKeys = SteppedKeys<sScaleKey>(scales);
  sAnimation** link = &object->animationSet->firstTrack;
  while (*link) link = &(*link)->next;
  *link = track;
}

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m = IdentityMatrix();
  m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
  return m;
}

D3DXMATRIX RotationZ(float radians) {
  D3DXMATRIX m = IdentityMatrix();
  const float c = std::cos(radians), s = std::sin(radians);
  m.m[0][0] = c, m.m[0][1] = s;
  m.m[1][0] = -s, m.m[1][1] = c;
  return m;
}

}  // namespace korva::testing
