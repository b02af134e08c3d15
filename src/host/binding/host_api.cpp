#include "host/binding/host_api.h"

#include "host/binding/core_data.h"
#include "platform/host_symbols.h"

namespace korva {

const HostFunctionSymbol kHostFunctionSymbols[kHostFunctionCount] = {
    {"?CreateNewObject@@YA_NHPAD@Z", HostModule::Object},
    {"?CreateNewObject@@YA_NHPADH@Z", HostModule::Object},
    {"?SetupMeshFVFData@@YA_NPAUsMesh@@KKK@Z", HostModule::Object},
    {"?SetNewObjectFinalProperties@@YA_NHM@Z", HostModule::Object},
    {"?SetTexture@@YAXHH@Z", HostModule::Object},
    {"?SetDetailMap@@YAXHH@Z", HostModule::Object},
    {"?GetDirect3DDevice@@YAPAUIDirect3DDevice9@@XZ", HostModule::Device},
    {"?CalculateMeshBounds@@YA_NPAUsMesh@@@Z", HostModule::Object},
    {"?LocalMeshToDXMesh@@YAPAUID3DXMesh@@PAUsMesh@@QAU_D3DVERTEXELEMENT9@@K@Z",
     HostModule::Object},
    {"?UpdateLocalMeshWithDXMesh@@YAXPAUsMesh@@PAUID3DXMesh@@@Z", HostModule::Object},
    {"?SetDeleteCallBack@@YAXHP6AXHH@ZH@Z", HostModule::Object},
    {"?GetViewMatrix@@YA?AUD3DXMATRIX@@H@Z", HostModule::View},
    {"?GetProjectionMatrix@@YA?AUD3DXMATRIX@@H@Z", HostModule::View},
    {"?Load@@YAXKH@Z", HostModule::Object},
    {"?GetName@@YAPADH@Z", HostModule::Name},
    {"?DeleteEx@@YAXH@Z", HostModule::Object},
    {"?CreateCustomDataArrayForObject@@YAXPAUsObject@@H@Z", HostModule::Object},
    {"?SetTextureStage@@YAXHHH@Z", HostModule::Object},
    {"?GetObjectA@@YAPAUsObject@@H@Z", HostModule::Object},
    {"?OffsetLimb@@YAXHHMMMH@Z", HostModule::Object},
    {"?GetLimbName@@YAKKHH@Z", HostModule::Object},
    {"?GetLimbOffsetX@@YAKHH@Z", HostModule::Object},
    {"?GetLimbOffsetY@@YAKHH@Z", HostModule::Object},
    {"?GetLimbOffsetZ@@YAKHH@Z", HostModule::Object},
    {"?LinkLimb@@YAXHHH@Z", HostModule::Object},
    {"?SetupObjectsGenericProperties@@YA_NPAUsObject@@@Z", HostModule::Object},
};

namespace {
uint32_t ModuleSlot(const CoreData& core, HostModule module) {
  switch (module) {
    case HostModule::Object:
      return core.ObjectModule;
    case HostModule::Device:
      return core.DeviceModule;
    case HostModule::Name:
      return core.NameModule;
    case HostModule::View:
      return core.ViewModule;
  }
  return 0;
}

// HostApi is a table of function pointers in exactly the order of kHostFunctionSymbols.
static_assert(sizeof(HostApi) == kHostFunctionCount * sizeof(void*));
}  // namespace

void ResolveHostApi(const CoreData& core, HostApi& api) {
  auto* entries = reinterpret_cast<void**>(&api);
  for (int i = 0; i < kHostFunctionCount; ++i) {
    const HostFunctionSymbol& function = kHostFunctionSymbols[i];
    entries[i] = platform::FindHostSymbol(ModuleSlot(core, function.module), function.symbol);
  }
}

}  // namespace korva
