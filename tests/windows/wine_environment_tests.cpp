// What the other test programs take for granted of the Windows they run on: an access violation
// reaches the program's own handlers. Under user-mode emulation Wine needs a preloaded library for
// that (scripts/lib/wine_emulation.c); without it every such fault kills the program as an illegal
// instruction that nothing catches.
//
// Usage: korva_windows_wine_tests [--filter TEXT]
#include <windows.h>

#include <cstring>
#include <string>

#include "wintest.h"

namespace {

// One page of each protection, committed for the whole run.
void* Page(DWORD protection) {
  void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  DWORD old = 0;
  if (page && !VirtualProtect(page, 4096, protection, &old)) return nullptr;
  return page;
}

WINTEST(AccessViolationsReachTheProgramsHandlers) {
  void* readOnly = Page(PAGE_READONLY);
  void* noAccess = Page(PAGE_NOACCESS);
  WIN_ASSERT(readOnly && noAccess, "VirtualAlloc or VirtualProtect failed");
  struct Case {
    const char* what;
    const void* address;
    BOOL badToRead, badToWrite;
  } const cases[] = {
      {"an address in the first page", reinterpret_cast<const void*>(0x10), TRUE, TRUE},
      {"a read-only page", readOnly, FALSE, TRUE},
      {"a page without access", noAccess, TRUE, TRUE},
  };
  for (const Case& c : cases) {
    WIN_EXPECT(IsBadReadPtr(c.address, 4) == c.badToRead,
               std::string("IsBadReadPtr of ") + c.what + (c.badToRead ? ": not bad" : ": bad"));
    WIN_EXPECT(IsBadWritePtr(const_cast<void*>(c.address), 4) == c.badToWrite,
               std::string("IsBadWritePtr of ") + c.what + (c.badToWrite ? ": not bad" : ": bad"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* filter = (argc > 2 && std::strcmp(argv[1], "--filter") == 0) ? argv[2] : nullptr;
  return korva::wintest::RunAll(filter);
}
