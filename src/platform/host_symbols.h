// Finding the host's functions by their exact symbol names in the host's modules.
#pragma once

#include <cstdint>

#include "host/binding/host_address.h"

namespace korva::platform {

// The address that host module `module` (a CoreData module slot) exports under `symbol`, or null
// when the module is null or does not export it.
void* FindHostSymbol(HostAddress module, const char* symbol);

}  // namespace korva::platform
