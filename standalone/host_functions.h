// The host functions of the standalone host, with the C calling convention and the parameter types
// the plug-in resolves them with (host/binding/host_api.h). The module tables publish them under
// their exact symbol names.
#pragma once

#include <cstdint>

#include "host/binding/host_address.h"
#include "model/d3d_types.h"

namespace korva {
struct sMesh;
struct sObject;
}  // namespace korva

namespace korva::standalone::host {

// Object functions.
// A new object with `frameCount` frames chained through first-child links (frame k: limb number k,
// parent frame k-1, its own fresh mesh), frame 0 named `name`; mesh and frame lists of frameCount
// entries. False, creating nothing, for a number that is not positive or in use, or a frame count
// below 1. The two-argument form makes one frame.
bool CreateNewObject(int32_t object, char* name);
bool CreateNewObjectWithFrames(int32_t object, char* name, int32_t frameCount);
// Frees the old vertex and index data; sets the FVF code, the vertex size from the FVF bits, both
// counts, and zero-filled buffers. False (counts 0, no buffers) when they cannot be made.
bool SetupMeshFVFData(sMesh* mesh, uint32_t fvf, uint32_t vertexCount, uint32_t indexCount);
// Bounds of the mesh's vertex positions (kept by the host, not in the record).
bool CalculateMeshBounds(sMesh* mesh);
// Bounds of the whole object over its mesh list; a positive radius replaces the computed one.
bool SetNewObjectFinalProperties(int32_t object, float radius);
// Every mesh of the object's mesh list gets at least stage + 1 texture records, and never fewer
// than two (existing ones kept, new ones with their defaults): objects are set up with stages 0
// and 1, so the call for stage 1 finds its records there. Stages outside 0..kMaxTextureStage are
// ignored.
void SetTextureStage(int32_t object, int32_t stage, int32_t image);
constexpr int32_t kMaxTextureStage = 255;
constexpr int32_t kFirstTextureRecords = 2;
sObject* GetObjectA(int32_t object);
void* GetDirect3DDevice();
void DeleteEx(int32_t object);
void CreateCustomDataArrayForObject(sObject* object, int32_t size);

// Present so every name resolves; they keep to harmless defaults.
void SetTexture(int32_t object, int32_t image);
void SetDetailMap(int32_t object, int32_t image);
void* LocalMeshToDXMesh(sMesh* mesh, D3DVERTEXELEMENT9* declaration, uint32_t fvf);
void UpdateLocalMeshWithDXMesh(sMesh* mesh, void* dxMesh);
void SetDeleteCallBack(int32_t object, void (*callback)(int32_t, int32_t), int32_t value);
D3DXMATRIX GetViewMatrix(int32_t camera);
D3DXMATRIX GetProjectionMatrix(int32_t camera);
void Load(HostAddress fileName, int32_t object);
char* GetName(int32_t object);
void OffsetLimb(int32_t object, int32_t limb, float x, float y, float z, int32_t mode);
HostAddress GetLimbName(HostAddress oldString, int32_t object, int32_t limb);
uint32_t GetLimbOffsetX(int32_t object, int32_t limb);
uint32_t GetLimbOffsetY(int32_t object, int32_t limb);
uint32_t GetLimbOffsetZ(int32_t object, int32_t limb);
void LinkLimb(int32_t object, int32_t parent, int32_t limb);
bool SetupObjectsGenericProperties(sObject* object);

// The return-string allocator of CoreData: a zeroed host-owned block of at least `size` bytes
// (at least 1), its address in *variable; freed when the host is destroyed.
void AllocateReturnString(HostAddress* variable, uint32_t size);

}  // namespace korva::standalone::host
