// Preloaded into 32-bit Wine when i386 programs run through user-mode emulation (qemu-i386), to
// work around three faults of the emulator that stop Wine. scripts/setup builds it;
// scripts/lib/wine.sh preloads it only on such machines. Built for 64-bit too, as an empty
// library, so that the 64-bit programs of the same chain (xvfb-run, timeout, the X server) find
// one of their own class.
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
// 3. All threads share one global descriptor table (GDT), where the kernel keeps one per thread.
//    The thread-local storage of the C library (%gs) and Wine's thread block (%fs) sit in GDT
//    entries of the same number in every thread, so a thread that reloads its segment (a signal's
//    return, Wine's signal handlers and context switches) gets the base of the thread that wrote
//    the entry last, and Wine crashes as soon as a program or a service has a second thread. Here
//    every thread moves its %gs to an entry of its own in the local table (LDT), which is shared by
//    design, and Wine is refused the GDT entry it asks for, so it puts %fs in the LDT too (from
//    entry 512 on: it leaves the first 512 to the C library when it finds %gs there).
#if defined(__i386__)

#define _GNU_SOURCE
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <ucontext.h>

enum { page_fault_trap = 14, general_protection_trap = 13 };

typedef void* mmap_function(void*, size_t, int, int, int, off_t);
typedef void* mmap64_function(void*, size_t, int, int, int, off64_t);
typedef int sigaction_function(int, const struct sigaction*, struct sigaction*);
typedef void siginfo_handler(int, siginfo_t*, void*);
typedef long syscall_function(long, ...);
typedef int pthread_create_function(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

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

// LDT entries for the threads' %gs: Wine starts its own at 512 when %gs is in the LDT.
enum { first_tls_entry = 1, end_of_tls_entries = 512 };
static int next_tls_entry = first_tls_entry;
// The GDT selector the C library put in %gs, 0 while no thread has left it.
static unsigned short shared_tls_selector;
static pthread_mutex_t thread_creation = PTHREAD_MUTEX_INITIALIZER;

static long raw_syscall(long number, long a, long b, long c) {
  static void* volatile cache;
  return ((syscall_function*)next_symbol(&cache, "syscall"))(number, a, b, c);
}

static unsigned short tls_selector(void) {
  unsigned short selector;
  __asm__ volatile("movw %%gs, %w0" : "=q"(selector));
  return selector;
}

static void set_tls_selector(unsigned short selector) {
  __asm__ volatile("movw %w0, %%gs" : : "q"(selector));
}

// The base of the calling thread's %gs: the C library's thread block starts with its own address.
static unsigned int tls_base(void) {
  unsigned int base;
  __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
  return base;
}

// Writes the descriptor of a %gs segment at BASE into ENTRY of the LDT or (as set_thread_area) GDT.
static int write_tls_descriptor(int in_ldt, unsigned int entry, unsigned int base) {
  struct user_desc descriptor = {.entry_number = entry,
                                 .base_addr = base,
                                 .limit = 0xfffff,
                                 .seg_32bit = 1,
                                 .limit_in_pages = 1,
                                 .useable = 1};
  if (in_ldt) return (int)raw_syscall(SYS_modify_ldt, 0x11, (long)&descriptor, sizeof descriptor);
  return (int)raw_syscall(SYS_set_thread_area, (long)&descriptor, 0, 0);
}

// Moves the calling thread's %gs to an LDT entry of its own with the same base. Entries are not
// reused: past the 511th thread of a process the rest keep the shared entry.
static void own_tls_entry(void) {
  int entry = __atomic_fetch_add(&next_tls_entry, 1, __ATOMIC_RELAXED);
  if (entry >= end_of_tls_entries) return;
  unsigned short shared = tls_selector();
  if (write_tls_descriptor(1, (unsigned int)entry, tls_base()) != 0) return;
  set_tls_selector((unsigned short)(entry << 3 | 7));  // LDT, user privilege
  __atomic_store_n(&shared_tls_selector, shared, __ATOMIC_RELAXED);
}

// Before any thread: the emulator gives the LDT only to threads made after it was first written.
__attribute__((constructor)) static void own_tls_entry_of_first_thread(void) {
  own_tls_entry();
}

struct thread_start {
  void* (*routine)(void*);
  void* argument;
  sigset_t signal_mask;
};

static void* start_with_own_tls_entry(void* start) {
  struct thread_start copy = *(struct thread_start*)start;
  free(start);
  own_tls_entry();
  pthread_sigmask(SIG_SETMASK, &copy.signal_mask, NULL);
  return copy.routine(copy.argument);
}

// The C library makes a thread's TLS entry in the GDT slot that the creating thread's %gs names,
// and the new thread starts with that %gs: so the creator goes back to the shared slot, filled with
// its own base, while it creates the thread. Without signals meanwhile (a handler's return would
// reload %gs from the slot the new thread has just rewritten), one creation at a time.
int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*),
                   void* argument) {
  static void* volatile cache;
  pthread_create_function* next = (pthread_create_function*)next_symbol(&cache, "pthread_create");
  unsigned short shared = __atomic_load_n(&shared_tls_selector, __ATOMIC_RELAXED);
  if (!shared) return next(thread, attributes, routine, argument);
  struct thread_start* start = malloc(sizeof *start);
  if (!start) return EAGAIN;
  start->routine = routine;
  start->argument = argument;
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  start->signal_mask = previous;
  pthread_mutex_lock(&thread_creation);
  unsigned short own = tls_selector();
  int result = EAGAIN;
  if (write_tls_descriptor(0, shared >> 3, tls_base()) == 0) {
    set_tls_selector(shared);
    result = next(thread, attributes, start_with_own_tls_entry, start);
    set_tls_selector(own);
  }
  pthread_mutex_unlock(&thread_creation);
  pthread_sigmask(SIG_SETMASK, &previous, NULL);
  if (result != 0) free(start);  // Otherwise the new thread frees it.
  return result;
}

// Refuses a new GDT entry (set_thread_area with entry -1), the one request that only Wine makes.
long syscall(long number, ...) {
  va_list list;
  va_start(list, number);
  long arguments[6];
  for (int i = 0; i < 6; ++i) arguments[i] = va_arg(list, long);
  va_end(list);
  if (number == SYS_set_thread_area &&
      ((struct user_desc*)arguments[0])->entry_number == (unsigned int)-1) {
    errno = ENOSYS;
    return -1;
  }
  static void* volatile cache;
  syscall_function* next = (syscall_function*)next_symbol(&cache, "syscall");
  return next(number, arguments[0], arguments[1], arguments[2], arguments[3], arguments[4],
              arguments[5]);
}

#endif
