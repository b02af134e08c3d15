// Without a system loader each host module is a symbol table; the CoreData slots hold their
// addresses and the plug-in's lookup walks them by exact name.
#include "platform/posix/host_symbol_table.h"
#include "standalone/host_functions.h"
#include "standalone/host_platform.h"

namespace korva::standalone {
namespace {
using platform::HostSymbol;

template <typename Function>
void* Address(Function function) {
  return reinterpret_cast<void*>(function);
}

const HostSymbol kObjectModule[] = {
    {"?CreateNewObject@@YA_NHPAD@Z", Address(&host::CreateNewObject)},
    {"?CreateNewObject@@YA_NHPADH@Z", Address(&host::CreateNewObjectWithFrames)},
    {"?SetupMeshFVFData@@YA_NPAUsMesh@@KKK@Z", Address(&host::SetupMeshFVFData)},
    {"?SetNewObjectFinalProperties@@YA_NHM@Z", Address(&host::SetNewObjectFinalProperties)},
    {"?SetTexture@@YAXHH@Z", Address(&host::SetTexture)},
    {"?SetDetailMap@@YAXHH@Z", Address(&host::SetDetailMap)},
    {"?CalculateMeshBounds@@YA_NPAUsMesh@@@Z", Address(&host::CalculateMeshBounds)},
    {"?LocalMeshToDXMesh@@YAPAUID3DXMesh@@PAUsMesh@@QAU_D3DVERTEXELEMENT9@@K@Z",
     Address(&host::LocalMeshToDXMesh)},
    {"?UpdateLocalMeshWithDXMesh@@YAXPAUsMesh@@PAUID3DXMesh@@@Z",
     Address(&host::UpdateLocalMeshWithDXMesh)},
    {"?SetDeleteCallBack@@YAXHP6AXHH@ZH@Z", Address(&host::SetDeleteCallBack)},
    {"?Load@@YAXKH@Z", Address(&host::Load)},
    {"?DeleteEx@@YAXH@Z", Address(&host::DeleteEx)},
    {"?CreateCustomDataArrayForObject@@YAXPAUsObject@@H@Z",
     Address(&host::CreateCustomDataArrayForObject)},
    {"?SetTextureStage@@YAXHHH@Z", Address(&host::SetTextureStage)},
    {"?GetObjectA@@YAPAUsObject@@H@Z", Address(&host::GetObjectA)},
    {"?OffsetLimb@@YAXHHMMMH@Z", Address(&host::OffsetLimb)},
    {"?GetLimbName@@YAKKHH@Z", Address(&host::GetLimbName)},
    {"?GetLimbOffsetX@@YAKHH@Z", Address(&host::GetLimbOffsetX)},
    {"?GetLimbOffsetY@@YAKHH@Z", Address(&host::GetLimbOffsetY)},
    {"?GetLimbOffsetZ@@YAKHH@Z", Address(&host::GetLimbOffsetZ)},
    {"?LinkLimb@@YAXHHH@Z", Address(&host::LinkLimb)},
    {"?SetupObjectsGenericProperties@@YA_NPAUsObject@@@Z",
     Address(&host::SetupObjectsGenericProperties)},
    {nullptr, nullptr},
};

const HostSymbol kDeviceModule[] = {
    {"?GetDirect3DDevice@@YAPAUIDirect3DDevice9@@XZ", Address(&host::GetDirect3DDevice)},
    {nullptr, nullptr},
};

const HostSymbol kNameModule[] = {
    {"?GetName@@YAPADH@Z", Address(&host::GetName)},
    {nullptr, nullptr},
};

const HostSymbol kViewModule[] = {
    {"?GetViewMatrix@@YA?AUD3DXMATRIX@@H@Z", Address(&host::GetViewMatrix)},
    {"?GetProjectionMatrix@@YA?AUD3DXMATRIX@@H@Z", Address(&host::GetProjectionMatrix)},
    {nullptr, nullptr},
};

uint32_t Slot(const HostSymbol* table) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(table));
}
}  // namespace

void PublishHostModules(CoreData& core) {
  core.ObjectModule = Slot(kObjectModule);
  core.DeviceModule = Slot(kDeviceModule);
  core.NameModule = Slot(kNameModule);
  core.ViewModule = Slot(kViewModule);
}

}  // namespace korva::standalone
