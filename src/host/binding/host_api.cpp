#include "host/binding/host_api.h"

#include "host/binding/core_data.h"
#include "platform/host_symbols.h"

namespace korva {

const HostFunctionSymbol kHostFunctionSymbols[kHostFunctionCount] = {
#define KORVA_HOST_FUNCTION_SYMBOL(member, module, symbol, ...) {symbol, HostModule::module},
    KORVA_HOST_FUNCTIONS(KORVA_HOST_FUNCTION_SYMBOL)
#undef KORVA_HOST_FUNCTION_SYMBOL
};

namespace {
HostAddress ModuleSlot(const CoreData& core, HostModule module) {
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

// Code that walks the resolved functions as one table (the binding tests) relies on this.
static_assert(sizeof(HostApi) == kHostFunctionCount * sizeof(void*));
}  // namespace

void ResolveHostApi(const CoreData& core, HostApi& api) {
  // Each member is assigned by name from its own entry, so the order of the members never matters.
#define KORVA_RESOLVE_HOST_FUNCTION(member, module, symbol, ...) \
  api.member = reinterpret_cast<decltype(api.member)>(           \
      platform::FindHostSymbol(ModuleSlot(core, HostModule::module), symbol));
  KORVA_HOST_FUNCTIONS(KORVA_RESOLVE_HOST_FUNCTION)
#undef KORVA_RESOLVE_HOST_FUNCTION
}

}  // namespace korva
