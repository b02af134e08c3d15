#include "platform/host_symbols.h"

#include <windows.h>

namespace korva::platform {

void* FindHostSymbol(HostAddress module, const char* symbol) {
  if (module == 0) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), symbol));
}

}  // namespace korva::platform
