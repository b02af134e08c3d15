#include "model/mesh.h"

#include <cstring>

#include "model/bone.h"
#include "model/com_interfaces.h"
#include "model/counted_array.h"
#include "model/deferred_release.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/sub_material.h"
#include "model/texture.h"

namespace korva {
namespace {
template <typename T>
void FreeBuffer(T*& buffer) {
  HostFree(buffer);
  buffer = nullptr;
}
}  // namespace

void ConstructMesh(sMesh* mesh) {
  std::memset(mesh, 0, sizeof *mesh);
  mesh->primitiveType = kPrimitiveTriangleList;
  mesh->material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  mesh->material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  const uint8_t switches[6] = {0, 1, 1, 1, 1, 0};
  std::memcpy(mesh->renderSwitches, switches, sizeof switches);
  mesh->renderSwitch140 = 1;
  mesh->renderSwitch159 = 1;
  mesh->renderSwitch160 = 1;
  mesh->hostValue136 = 2;
}

void ReleaseMeshDeferred(sMesh* mesh, DeferredFrameArrays& queue) {
  if (!mesh->effectShared && mesh->effect) DeleteEffectObject(mesh->effect);
  mesh->effect = nullptr;
  FreeBuffer(mesh->hostBuffer010);
  FreeBuffer(mesh->vertexData);
  FreeBuffer(mesh->indexData);
  DeleteCountedArray(mesh->bones, ReleaseBone);
  mesh->bones = nullptr;
  FreeBuffer(mesh->hostBuffer370);
  FreeBuffer(mesh->hostBuffer374);
  FreeBuffer(mesh->hostBuffer390);
  DeleteCountedArray(mesh->textures, ReleaseTexture);
  mesh->textures = nullptr;
  FreeBuffer(mesh->materialList);
  FreeBuffer(mesh->hostBuffer030);
  FreeBuffer(mesh->hostBuffer3D8);
  // The frame records a mesh holds are its own; releasing them here keeps loaded objects leak-free.
  if (mesh->frames) {
    mesh->frames[0].parent = queue.head;
    queue.head = mesh->frames;
    mesh->frames = nullptr;
  }
}

void ReleaseMesh(sMesh* mesh) {
  DeferredFrameArrays queue;
  ReleaseMeshDeferred(mesh, queue);
  DrainDeferred(queue);
}

sMesh* NewMesh() {
  auto* mesh = static_cast<sMesh*>(HostAllocate(sizeof(sMesh)));
  if (mesh) ConstructMesh(mesh);
  return mesh;
}

void DeleteMesh(sMesh* mesh) {
  if (!mesh) return;
  ReleaseMesh(mesh);
  HostFree(mesh);
}

}  // namespace korva
