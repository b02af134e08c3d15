// Without a system loader, a host module is a table of exported symbols: a CoreData module slot
// holds the address of the first entry, and the table ends with an entry whose name is null.
#pragma once

namespace korva::platform {

struct HostSymbol {
  const char* name;
  void* address;
};

}  // namespace korva::platform
