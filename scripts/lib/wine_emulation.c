// Preloaded into 32-bit Wine when i386 programs run through user-mode emulation (qemu-i386), to
// work around two faults of the emulator that stop Wine. scripts/setup builds it;
// scripts/lib/wine.sh preloads it only on such machines. Built for 64-bit too, as an empty library,
// so that the 64-bit programs of the same chain (xvfb-run, timeout, the X server) find one of their
// own class.
//
// 1. Mappings at a fixed address that must not replace anything (MAP_FIXED_NOREPLACE) are not
//    honoured: the emulator refuses them all (it has reserved the whole guest space itself) or puts
//    them elsewhere. Wine reserves its address space with them and keeps a reservation that landed
//    high, which then covers the places it needs next ("failed to map the shared user data"). Here
//    such a request is made as a plain address hint; a mapping that lands elsewhere is undone and
//    the call fails with EEXIST, as the kernel's own does when the place is taken.
// 2. The trap number of a SIGSEGV frame is left at -1. Wine decides by it what a fault was, and
//    turns every access violation into an illegal instruction that no handler catches (IsBadReadPtr
//    on a bad address kills the program). Here a SIGSEGV handler that takes a siginfo is called
//    through a wrapper that fills in the number the processor gives: 14 (page fault) for a fault at
//    an address, 13 (general protection) for one the kernel raised without one (SI_KERNEL). The
//    error code the emulator gives (read or write) is kept.
#if defined(__i386__)

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stddef.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <ucontext.h>

enum { page_fault_trap = 14, general_protection_trap = 13 };

typedef void* mmap_function(void*, size_t, int, int, int, off_t);
typedef void* mmap64_function(void*, size_t, int, int, int, off64_t);
typedef int sigaction_function(int, const struct sigaction*, struct sigaction*);
typedef void siginfo_handler(int, siginfo_t*, void*);

// The next definition of NAME (libc's), looked up once.
static void* next_symbol(void* volatile* cache, const char* name) {
  void* symbol = *cache;
  if (!symbol) *cache = symbol = dlsym(RTLD_NEXT, name);
  return symbol;
}

// The result of a no-replace request made as a hint: where it was asked for, or EEXIST.
static void* only_at(void* wanted, void* mapped, size_t length) {
  if (mapped == MAP_FAILED || mapped == wanted) return mapped;
  munmap(mapped, length);
  errno = EEXIST;
  return MAP_FAILED;
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  static void* volatile cache;
  mmap_function* next = (mmap_function*)next_symbol(&cache, "mmap");
  if (!(flags & MAP_FIXED_NOREPLACE)) return next(address, length, protection, flags, fd, offset);
  flags &= ~(MAP_FIXED_NOREPLACE | MAP_FIXED);
  return only_at(address, next(address, length, protection, flags, fd, offset), length);
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
  static void* volatile cache;
  mmap64_function* next = (mmap64_function*)next_symbol(&cache, "mmap64");
  if (!(flags & MAP_FIXED_NOREPLACE)) return next(address, length, protection, flags, fd, offset);
  flags &= ~(MAP_FIXED_NOREPLACE | MAP_FIXED);
  return only_at(address, next(address, length, protection, flags, fd, offset), length);
}

// The program's own SIGSEGV handler, called by fill_in_trap_number.
static siginfo_handler* volatile program_segv_handler;

static void fill_in_trap_number(int number, siginfo_t* info, void* context) {
  greg_t* registers = ((ucontext_t*)context)->uc_mcontext.gregs;
  // Only faults the processor raised (SI_KERNEL among them): one sent by a process (si_code <= 0)
  // has no trap.
  if (registers[REG_TRAPNO] == -1 && info->si_code > 0)
    registers[REG_TRAPNO] = info->si_code == SI_KERNEL ? general_protection_trap : page_fault_trap;
  program_segv_handler(number, info, context);
}

int sigaction(int number, const struct sigaction* action, struct sigaction* old_action) {
  static void* volatile cache;
  sigaction_function* next = (sigaction_function*)next_symbol(&cache, "sigaction");
  if (number != SIGSEGV) return next(number, action, old_action);

  siginfo_handler* previous = program_segv_handler;
  struct sigaction wrapped;
  if (action && (action->sa_flags & SA_SIGINFO)) {
    // Set before the wrapper is installed, so a fault that comes at once finds it.
    program_segv_handler = action->sa_sigaction;
    wrapped = *action;
    wrapped.sa_sigaction = fill_in_trap_number;
    action = &wrapped;
  }
  int result = next(number, action, old_action);
  if (result != 0) program_segv_handler = previous;
  // The program sees its own handler as the one that was installed, never the wrapper.
  if (old_action && (old_action->sa_flags & SA_SIGINFO) &&
      old_action->sa_sigaction == fill_in_trap_number)
    old_action->sa_sigaction = previous;
  return result;
}

#endif
