// The host functions as exports of the program that links the standalone host: host_exports.def
// gives each its exact symbol, so the plug-in resolves them with GetProcAddress on the program's
// own module, which every CoreData module slot holds. These C-named forwarders, made from the host
// function list, are what the .def names, so the export list does not depend on the compiler's
// encoding of the C++ names. A test holds the .def to the list, entry for entry.
#include <cstdint>
#include <type_traits>

#include "host/binding/host_api.h"
#include "standalone/host_functions.h"
#include "standalone/host_platform.h"
#include "standalone/win32/windows_api.h"

using korva::D3DVERTEXELEMENT9;
using korva::HostAddress;
using korva::D3DXMATRIX;
using korva::sMesh;
using korva::sObject;
namespace host = korva::standalone::host;

// Each host function has exactly the type the plug-in calls it with.
#define KORVA_CHECK_HOST_FUNCTION_TYPE(member, ...)                                        \
  static_assert(std::is_same_v<decltype(&host::member), decltype(korva::HostApi::member)>, \
                #member " differs from the plug-in's HostApi member");
KORVA_HOST_FUNCTIONS(KORVA_CHECK_HOST_FUNCTION_TYPE)
#undef KORVA_CHECK_HOST_FUNCTION_TYPE

extern "C" {

#define KORVA_FORWARD_HOST_FUNCTION(member, module, symbol, result, parameters, arguments) \
  result KorvaHost_##member parameters {                                                   \
    return host::member arguments;                                                         \
  }
KORVA_HOST_FUNCTIONS(KORVA_FORWARD_HOST_FUNCTION)
#undef KORVA_FORWARD_HOST_FUNCTION

}  // extern "C"

namespace korva::standalone {

void PublishHostModules(CoreData& core) {
  const auto self = ToHostAddress(GetModuleHandleA(nullptr));
  core.ObjectModule = self;
  core.DeviceModule = self;
  core.NameModule = self;
  core.ViewModule = self;
}

}  // namespace korva::standalone
