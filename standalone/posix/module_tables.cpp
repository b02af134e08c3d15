// Without a system loader each host module is a symbol table; the CoreData slots hold their
// addresses and the plug-in's lookup walks them by exact name. The tables are made from the host
// function list, each function in the table of its module slot.
#include <type_traits>

#include "host/binding/host_api.h"
#include "platform/posix/host_symbol_table.h"
#include "standalone/host_functions.h"
#include "standalone/host_platform.h"

namespace korva::standalone {
namespace {
using platform::HostSymbol;

// Each host function has exactly the type the plug-in calls it with.
#define KORVA_CHECK_HOST_FUNCTION_TYPE(member, ...)                                 \
  static_assert(std::is_same_v<decltype(&host::member), decltype(HostApi::member)>, \
                #member " differs from the plug-in's HostApi member");
KORVA_HOST_FUNCTIONS(KORVA_CHECK_HOST_FUNCTION_TYPE)
#undef KORVA_CHECK_HOST_FUNCTION_TYPE

constexpr int kModuleCount = 4;
static_assert(static_cast<int>(HostModule::View) == kModuleCount - 1, "a module without a table");

struct ModuleTables {
  // Every table has room for all functions and its terminating entry.
  HostSymbol table[kModuleCount][kHostFunctionCount + 1] = {};

  ModuleTables() {
    int filled[kModuleCount] = {};
    const auto add = [&](HostModule module, const char* symbol, void* address) {
      const int index = static_cast<int>(module);
      table[index][filled[index]++] = {symbol, address};
    };
#define KORVA_PUBLISH_HOST_FUNCTION(member, module, symbol, ...) \
  add(HostModule::module, symbol, reinterpret_cast<void*>(&host::member));
    KORVA_HOST_FUNCTIONS(KORVA_PUBLISH_HOST_FUNCTION)
#undef KORVA_PUBLISH_HOST_FUNCTION
  }

  HostAddress Slot(HostModule module) const {
    return ToHostAddress(table[static_cast<int>(module)]);
  }
};
}  // namespace

void PublishHostModules(CoreData& core) {
  static const ModuleTables tables;
  core.ObjectModule = tables.Slot(HostModule::Object);
  core.DeviceModule = tables.Slot(HostModule::Device);
  core.NameModule = tables.Slot(HostModule::Name);
  core.ViewModule = tables.Slot(HostModule::View);
}

}  // namespace korva::standalone
