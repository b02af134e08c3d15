// The host functions that the plug-in resolves but whose work lies in the host: each keeps to a
// harmless default, and the limb functions act on the object's frame list where that is simple.
#include <cstring>

#include "model/frame.h"
#include "model/object.h"
#include "standalone/host_functions.h"
#include "standalone/host_state.h"

namespace korva::standalone::host {
namespace {
sFrame* FindLimb(int32_t object, int32_t limb) {
  sObject* record = FindObject(object);
  if (!record || !record->frameList || limb < 0 || limb >= record->frameCount) return nullptr;
  return record->frameList[limb];
}

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
}  // namespace

void SetTexture(int32_t, int32_t) {}
void SetDetailMap(int32_t, int32_t) {}
void* LocalMeshToDXMesh(sMesh*, D3DVERTEXELEMENT9*, uint32_t) {
  return nullptr;
}
void UpdateLocalMeshWithDXMesh(sMesh*, void*) {}
void SetDeleteCallBack(int32_t, void (*)(int32_t, int32_t), int32_t) {}
D3DXMATRIX GetViewMatrix(int32_t) {
  return IdentityMatrix();
}
D3DXMATRIX GetProjectionMatrix(int32_t) {
  return IdentityMatrix();
}
void Load(HostAddress, int32_t) {}

char* GetName(int32_t) {
  static char empty[1] = {0};
  return empty;
}

void OffsetLimb(int32_t object, int32_t limb, float x, float y, float z, int32_t) {
  if (sFrame* frame = FindLimb(object, limb)) frame->offset = {x, y, z};
}

HostAddress GetLimbName(HostAddress, int32_t object, int32_t limb) {
  sFrame* frame = FindLimb(object, limb);
  const char* name = frame ? frame->name : "";
  const size_t length = strnlen(name, sizeof frame->name - 1);
  HostAddress result = 0;
  AllocateReturnString(&result, static_cast<uint32_t>(length + 1));
  if (result) std::memcpy(FromHostAddress<char>(result), name, length);
  return result;
}

uint32_t GetLimbOffsetX(int32_t object, int32_t limb) {
  sFrame* frame = FindLimb(object, limb);
  return FloatBits(frame ? frame->offset.x : 0.0f);
}
uint32_t GetLimbOffsetY(int32_t object, int32_t limb) {
  sFrame* frame = FindLimb(object, limb);
  return FloatBits(frame ? frame->offset.y : 0.0f);
}
uint32_t GetLimbOffsetZ(int32_t object, int32_t limb) {
  sFrame* frame = FindLimb(object, limb);
  return FloatBits(frame ? frame->offset.z : 0.0f);
}

void LinkLimb(int32_t, int32_t, int32_t) {}

bool SetupObjectsGenericProperties(sObject* object) {
  return object != nullptr;
}

}  // namespace korva::standalone::host
