// Linked into each shipped program in place of the C++ runtime's thread support, which a
// program that runs on one thread only never needs: the programs start no thread, and no code
// of theirs runs on a thread the system starts.
//
// The runtime keeps its exception bookkeeping per thread, through emulated thread-local
// storage, and keeps a 64 KiB emergency reserve for exceptions behind a mutex; together with
// the thread support they pull in, some 7 KiB of each program. One thread needs one set of
// bookkeeping, a small reserve and no lock.
#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

// The runtime's per-thread exception record: two words (the exceptions caught and the count
// of those thrown and not yet caught), zeroed at start. Room for more, in case it grows.
alignas(void*) unsigned char exceptionGlobals[8 * sizeof(void*)];

// What the runtime keeps in front of each exception object. Measured once from the runtime
// itself rather than restated: it fills a header in front of a given object and says where
// that header starts.
std::size_t ExceptionHeaderSize() {
  alignas(16) static unsigned char scratch[512];
  static std::size_t size = 0;
  if (size == 0) {
    void* object = scratch + sizeof scratch / 2;
    const void* header = __cxxabiv1::__cxa_init_primary_exception(object, nullptr, nullptr);
    size = static_cast<unsigned char*>(object) - static_cast<const unsigned char*>(header);
    if (size == 0 || size > sizeof scratch / 2) std::abort();
  }
  return size;
}

// For exceptions thrown when the heap is exhausted (std::bad_alloc among them): a few blocks,
// enough for an exception thrown while another is being handled.
constexpr std::size_t kReserveBlock = 256;
alignas(16) unsigned char reserve[4][kReserveBlock];
bool reserveInUse[4];

void* TakeFromReserve(std::size_t size) {
  if (size > kReserveBlock) return nullptr;
  for (unsigned i = 0; i < 4; ++i) {
    if (!reserveInUse[i]) {
      reserveInUse[i] = true;
      return reserve[i];
    }
  }
  return nullptr;
}

}  // namespace

// The runtime's own entry points, as <cxxabi.h> declares them.
namespace __cxxabiv1 {
extern "C" {

void* __cxa_allocate_exception(std::size_t size) noexcept {
  const std::size_t header = ExceptionHeaderSize();
  void* block = std::malloc(header + size);
  if (!block) block = TakeFromReserve(header + size);
  if (!block) std::terminate();
  std::memset(block, 0, header);
  return static_cast<unsigned char*>(block) + header;
}

void __cxa_free_exception(void* object) noexcept {
  unsigned char* block = static_cast<unsigned char*>(object) - ExceptionHeaderSize();
  for (unsigned i = 0; i < 4; ++i) {
    if (block == reserve[i]) {
      reserveInUse[i] = false;
      return;
    }
  }
  std::free(block);
}

__cxa_eh_globals* __cxa_get_globals() noexcept {
  return reinterpret_cast<__cxa_eh_globals*>(exceptionGlobals);
}
__cxa_eh_globals* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

}  // extern "C"
}  // namespace __cxxabiv1

extern "C" {

// The start-up code's thread-local storage support: a TLS directory whose callbacks run the
// destructors of thread-local keys and thread_local objects, and reset the floating-point
// unit of each new thread. The programs have none of those, and no second thread: these
// stand-ins keep it out, and with it the TLS directory.
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;
extern void* const __dyn_tls_init_callback;
void* const __dyn_tls_init_callback = nullptr;  // the start-up code calls it when set

}  // extern "C"

// The start-up code applies the pseudo-relocations that the linker generates for data
// imported from DLLs without __declspec(dllimport). The programs are linked with
// --disable-runtime-pseudo-reloc, so the link fails rather than generate one: the list is
// always empty, and so is the work.
extern "C" void _pei386_runtime_relocator() {}

// The start-up code installs a handler of floating-point library errors that prints each one
// to the standard error stream, which a GUI program does not have; it brings formatted
// printing. Declining to handle them leaves the C library's default: the result and errno.
extern "C" int _matherr(void*) { return 0; }
