// The host functions the plug-in calls, resolved by exact symbol name from the host's modules.
#pragma once

#include <cstdint>

#include "model/d3d_types.h"

namespace korva {

struct CoreData;
struct sMesh;
struct sObject;

struct HostApi {
  bool (*CreateNewObject)(int32_t object, char* name);
  bool (*CreateNewObjectWithFrames)(int32_t object, char* name, int32_t frameCount);
  bool (*SetupMeshFVFData)(sMesh* mesh, uint32_t fvf, uint32_t vertexCount, uint32_t indexCount);
  bool (*SetNewObjectFinalProperties)(int32_t object, float radius);
  void (*SetTexture)(int32_t object, int32_t image);
  void (*SetDetailMap)(int32_t object, int32_t image);
  void* (*GetDirect3DDevice)();
  bool (*CalculateMeshBounds)(sMesh* mesh);
  void* (*LocalMeshToDXMesh)(sMesh* mesh, D3DVERTEXELEMENT9* declaration, uint32_t fvf);
  void (*UpdateLocalMeshWithDXMesh)(sMesh* mesh, void* dxMesh);
  void (*SetDeleteCallBack)(int32_t object, void (*callback)(int32_t, int32_t), int32_t value);
  D3DXMATRIX (*GetViewMatrix)(int32_t camera);
  D3DXMATRIX (*GetProjectionMatrix)(int32_t camera);
  void (*Load)(uint32_t fileName, int32_t object);
  char* (*GetName)(int32_t object);
  void (*DeleteEx)(int32_t object);
  void (*CreateCustomDataArrayForObject)(sObject* object, int32_t size);
  void (*SetTextureStage)(int32_t object, int32_t stage, int32_t image);
  sObject* (*GetObjectA)(int32_t object);
  void (*OffsetLimb)(int32_t object, int32_t limb, float x, float y, float z, int32_t mode);
  uint32_t (*GetLimbName)(uint32_t oldString, int32_t object, int32_t limb);
  uint32_t (*GetLimbOffsetX)(int32_t object, int32_t limb);
  uint32_t (*GetLimbOffsetY)(int32_t object, int32_t limb);
  uint32_t (*GetLimbOffsetZ)(int32_t object, int32_t limb);
  void (*LinkLimb)(int32_t object, int32_t parent, int32_t limb);
  bool (*SetupObjectsGenericProperties)(sObject* object);
};

// Which CoreData module slot exports a host function.
enum class HostModule { Object, Device, Name, View };

struct HostFunctionSymbol {
  const char* symbol;
  HostModule module;
};

// The 26 host functions in resolution order, each with its exact symbol and module slot.
constexpr int kHostFunctionCount = 26;
extern const HostFunctionSymbol kHostFunctionSymbols[kHostFunctionCount];

// Resolves every entry of `api`, in the listed order, from the modules named by `core`. A name
// that its module does not export leaves its entry null.
void ResolveHostApi(const CoreData& core, HostApi& api);

}  // namespace korva
