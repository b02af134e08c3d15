// Finding the host's functions by their exact symbol names in the host's modules.
#pragma once

#include <cstdint>

namespace korva::platform {

// The address that host module `module` (a CoreData module slot) exports under `symbol`, or null
// when the module is null or does not export it.
void* FindHostSymbol(uint32_t module, const char* symbol);

}  // namespace korva::platform
