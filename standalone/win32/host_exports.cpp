// The host functions as exports of the program that links the standalone host: host_exports.def
// gives each its exact symbol, so the plug-in resolves them with GetProcAddress on the program's
// own module, which every CoreData module slot holds. These C-named forwarders are what the .def
// names, so the export list does not depend on the compiler's encoding of the C++ names.
#include <cstdint>

#include "standalone/host_functions.h"
#include "standalone/host_platform.h"
#include "standalone/win32/windows_api.h"

using korva::D3DVERTEXELEMENT9;
using korva::D3DXMATRIX;
using korva::sMesh;
using korva::sObject;
namespace host = korva::standalone::host;

extern "C" {

bool KorvaHost_CreateNewObject(int32_t object, char* name) {
  return host::CreateNewObject(object, name);
}

bool KorvaHost_CreateNewObjectWithFrames(int32_t object, char* name, int32_t frameCount) {
  return host::CreateNewObjectWithFrames(object, name, frameCount);
}

bool KorvaHost_SetupMeshFVFData(sMesh* mesh, uint32_t fvf, uint32_t vertexCount,
                                uint32_t indexCount) {
  return host::SetupMeshFVFData(mesh, fvf, vertexCount, indexCount);
}

bool KorvaHost_SetNewObjectFinalProperties(int32_t object, float radius) {
  return host::SetNewObjectFinalProperties(object, radius);
}

void KorvaHost_SetTexture(int32_t object, int32_t image) {
  host::SetTexture(object, image);
}

void KorvaHost_SetDetailMap(int32_t object, int32_t image) {
  host::SetDetailMap(object, image);
}

void* KorvaHost_GetDirect3DDevice() {
  return host::GetDirect3DDevice();
}

bool KorvaHost_CalculateMeshBounds(sMesh* mesh) {
  return host::CalculateMeshBounds(mesh);
}

void* KorvaHost_LocalMeshToDXMesh(sMesh* mesh, D3DVERTEXELEMENT9* declaration, uint32_t fvf) {
  return host::LocalMeshToDXMesh(mesh, declaration, fvf);
}

void KorvaHost_UpdateLocalMeshWithDXMesh(sMesh* mesh, void* dxMesh) {
  host::UpdateLocalMeshWithDXMesh(mesh, dxMesh);
}

void KorvaHost_SetDeleteCallBack(int32_t object, void (*callback)(int32_t, int32_t),
                                 int32_t value) {
  host::SetDeleteCallBack(object, callback, value);
}

D3DXMATRIX KorvaHost_GetViewMatrix(int32_t camera) {
  return host::GetViewMatrix(camera);
}

D3DXMATRIX KorvaHost_GetProjectionMatrix(int32_t camera) {
  return host::GetProjectionMatrix(camera);
}

void KorvaHost_Load(uint32_t fileName, int32_t object) {
  host::Load(fileName, object);
}

char* KorvaHost_GetName(int32_t object) {
  return host::GetName(object);
}

void KorvaHost_DeleteEx(int32_t object) {
  host::DeleteEx(object);
}

void KorvaHost_CreateCustomDataArrayForObject(sObject* object, int32_t size) {
  host::CreateCustomDataArrayForObject(object, size);
}

void KorvaHost_SetTextureStage(int32_t object, int32_t stage, int32_t image) {
  host::SetTextureStage(object, stage, image);
}

sObject* KorvaHost_GetObjectA(int32_t object) {
  return host::GetObjectA(object);
}

void KorvaHost_OffsetLimb(int32_t object, int32_t limb, float x, float y, float z, int32_t mode) {
  host::OffsetLimb(object, limb, x, y, z, mode);
}

uint32_t KorvaHost_GetLimbName(uint32_t oldString, int32_t object, int32_t limb) {
  return host::GetLimbName(oldString, object, limb);
}

uint32_t KorvaHost_GetLimbOffsetX(int32_t object, int32_t limb) {
  return host::GetLimbOffsetX(object, limb);
}

uint32_t KorvaHost_GetLimbOffsetY(int32_t object, int32_t limb) {
  return host::GetLimbOffsetY(object, limb);
}

uint32_t KorvaHost_GetLimbOffsetZ(int32_t object, int32_t limb) {
  return host::GetLimbOffsetZ(object, limb);
}

void KorvaHost_LinkLimb(int32_t object, int32_t parent, int32_t limb) {
  host::LinkLimb(object, parent, limb);
}

bool KorvaHost_SetupObjectsGenericProperties(sObject* object) {
  return host::SetupObjectsGenericProperties(object);
}

}  // extern "C"

namespace korva::standalone {

void PublishHostModules(CoreData& core) {
  const auto self = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
  core.ObjectModule = self;
  core.DeviceModule = self;
  core.NameModule = self;
  core.ViewModule = self;
}

}  // namespace korva::standalone
