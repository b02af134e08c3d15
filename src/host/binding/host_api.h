// The host functions the plug-in calls, resolved by exact symbol name from the host's modules.
#pragma once

#include <cstdint>

#include "host/binding/host_address.h"
#include "host/binding/host_function_list.h"
#include "model/d3d_types.h"

namespace korva {

struct CoreData;
struct sMesh;
struct sObject;

// One member per entry of the host function list, in its order.
struct HostApi {
#define KORVA_HOST_API_MEMBER(member, module, symbol, result, parameters, arguments) \
  result(*member) parameters;
  KORVA_HOST_FUNCTIONS(KORVA_HOST_API_MEMBER)
#undef KORVA_HOST_API_MEMBER
};

// Which CoreData module slot exports a host function.
enum class HostModule { Object, Device, Name, View };

struct HostFunctionSymbol {
  const char* symbol;
  HostModule module;
};

// The host functions in resolution order, each with its exact symbol and module slot.
#define KORVA_COUNT_HOST_FUNCTION(...) +1
constexpr int kHostFunctionCount = 0 KORVA_HOST_FUNCTIONS(KORVA_COUNT_HOST_FUNCTION);
#undef KORVA_COUNT_HOST_FUNCTION
extern const HostFunctionSymbol kHostFunctionSymbols[kHostFunctionCount];

// Resolves every member of `api`, in the listed order, from the modules named by `core`. A name
// that its module does not export leaves its member null.
void ResolveHostApi(const CoreData& core, HostApi& api);

}  // namespace korva
