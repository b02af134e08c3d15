// The one list of the host functions: table member, CoreData module slot, exact symbol, result and
// parameters. The plug-in's HostApi and its resolution, the Linux standalone host's module tables,
// the Windows standalone host's forwarders (and, through a test, its .def) are all made from it, so
// an entry added or moved here lands in the same member everywhere.
//
// KORVA_HOST_FUNCTIONS(X) expands X(member, module, symbol, result, (parameters), (arguments)) once
// per function, in resolution order; `module` is a HostModule enumerator name. Expanding it needs
// the types it names: <cstdint>, host/binding/host_address.h, model/d3d_types.h, and sMesh and
// sObject declared.
#pragma once

#define KORVA_HOST_FUNCTIONS(X)                                                                    \
  X(CreateNewObject, Object, "?CreateNewObject@@YA_NHPAD@Z", bool, (int32_t object, char* name),   \
    (object, name))                                                                                \
  X(CreateNewObjectWithFrames, Object, "?CreateNewObject@@YA_NHPADH@Z", bool,                      \
    (int32_t object, char* name, int32_t frameCount), (object, name, frameCount))                  \
  X(SetupMeshFVFData, Object, "?SetupMeshFVFData@@YA_NPAUsMesh@@KKK@Z", bool,                      \
    (sMesh * mesh, uint32_t fvf, uint32_t vertexCount, uint32_t indexCount),                       \
    (mesh, fvf, vertexCount, indexCount))                                                          \
  X(SetNewObjectFinalProperties, Object, "?SetNewObjectFinalProperties@@YA_NHM@Z", bool,           \
    (int32_t object, float radius), (object, radius))                                              \
  X(SetTexture, Object, "?SetTexture@@YAXHH@Z", void, (int32_t object, int32_t image),             \
    (object, image))                                                                               \
  X(SetDetailMap, Object, "?SetDetailMap@@YAXHH@Z", void, (int32_t object, int32_t image),         \
    (object, image))                                                                               \
  X(GetDirect3DDevice, Device, "?GetDirect3DDevice@@YAPAUIDirect3DDevice9@@XZ", void*, (), ())     \
  X(CalculateMeshBounds, Object, "?CalculateMeshBounds@@YA_NPAUsMesh@@@Z", bool, (sMesh * mesh),   \
    (mesh))                                                                                        \
  X(LocalMeshToDXMesh, Object,                                                                     \
    "?LocalMeshToDXMesh@@YAPAUID3DXMesh@@PAUsMesh@@QAU_D3DVERTEXELEMENT9@@K@Z", void*,             \
    (sMesh * mesh, D3DVERTEXELEMENT9 * declaration, uint32_t fvf), (mesh, declaration, fvf))       \
  X(UpdateLocalMeshWithDXMesh, Object,                                                             \
    "?UpdateLocalMeshWithDXMesh@@YAXPAUsMesh@@PAUID3DXMesh@@@Z", void,                             \
    (sMesh * mesh, void* dxMesh), (mesh, dxMesh))                                                  \
  X(SetDeleteCallBack, Object, "?SetDeleteCallBack@@YAXHP6AXHH@ZH@Z", void,                        \
    (int32_t object, void (*callback)(int32_t, int32_t), int32_t value),                           \
    (object, callback, value))                                                                     \
  X(GetViewMatrix, View, "?GetViewMatrix@@YA?AUD3DXMATRIX@@H@Z", D3DXMATRIX, (int32_t camera),     \
    (camera))                                                                                      \
  X(GetProjectionMatrix, View, "?GetProjectionMatrix@@YA?AUD3DXMATRIX@@H@Z", D3DXMATRIX,           \
    (int32_t camera), (camera))                                                                    \
  X(Load, Object, "?Load@@YAXKH@Z", void, (HostAddress fileName, int32_t object),                  \
    (fileName, object))                                                                            \
  X(GetName, Name, "?GetName@@YAPADH@Z", char*, (int32_t object), (object))                        \
  X(DeleteEx, Object, "?DeleteEx@@YAXH@Z", void, (int32_t object), (object))                       \
  X(CreateCustomDataArrayForObject, Object, "?CreateCustomDataArrayForObject@@YAXPAUsObject@@H@Z", \
    void, (sObject * object, int32_t size), (object, size))                                        \
  X(SetTextureStage, Object, "?SetTextureStage@@YAXHHH@Z", void,                                   \
    (int32_t object, int32_t stage, int32_t image), (object, stage, image))                        \
  X(GetObjectA, Object, "?GetObjectA@@YAPAUsObject@@H@Z", sObject*, (int32_t object), (object))    \
  X(OffsetLimb, Object, "?OffsetLimb@@YAXHHMMMH@Z", void,                                          \
    (int32_t object, int32_t limb, float x, float y, float z, int32_t mode),                       \
    (object, limb, x, y, z, mode))                                                                 \
  X(GetLimbName, Object, "?GetLimbName@@YAKKHH@Z", HostAddress,                                    \
    (HostAddress oldString, int32_t object, int32_t limb), (oldString, object, limb))              \
  X(GetLimbOffsetX, Object, "?GetLimbOffsetX@@YAKHH@Z", uint32_t, (int32_t object, int32_t limb),  \
    (object, limb))                                                                                \
  X(GetLimbOffsetY, Object, "?GetLimbOffsetY@@YAKHH@Z", uint32_t, (int32_t object, int32_t limb),  \
    (object, limb))                                                                                \
  X(GetLimbOffsetZ, Object, "?GetLimbOffsetZ@@YAKHH@Z", uint32_t, (int32_t object, int32_t limb),  \
    (object, limb))                                                                                \
  X(LinkLimb, Object, "?LinkLimb@@YAXHHH@Z", void, (int32_t object, int32_t parent, int32_t limb), \
    (object, parent, limb))                                                                        \
  X(SetupObjectsGenericProperties, Object, "?SetupObjectsGenericProperties@@YA_NPAUsObject@@@Z",   \
    bool, (sObject * object), (object))
