#include "platform/host_symbols.h"

#include <cstring>

#include "platform/posix/host_symbol_table.h"

namespace korva::platform {

void* FindHostSymbol(uint32_t module, const char* symbol) {
  if (module == 0) return nullptr;
  for (auto* entry = reinterpret_cast<const HostSymbol*>(module); entry->name; ++entry) {
    if (std::strcmp(entry->name, symbol) == 0) return entry->address;
  }
  return nullptr;
}

}  // namespace korva::platform
