#include "platform/host_symbols.h"

#include <cstring>

#include "platform/posix/host_symbol_table.h"

namespace korva::platform {

void* FindHostSymbol(HostAddress module, const char* symbol) {
  if (module == 0) return nullptr;
  for (auto* entry = FromHostAddress<const HostSymbol>(module); entry->name; ++entry) {
    if (std::strcmp(entry->name, symbol) == 0) return entry->address;
  }
  return nullptr;
}

}  // namespace korva::platform
