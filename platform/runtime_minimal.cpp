// Linked into each shipped program in place of the C++ runtime's thread support, which a
// program that runs on one thread only never needs: the programs start no thread, and no code
// of theirs runs on a thread the system starts.
//
// The runtime keeps its exception bookkeeping per thread, through emulated thread-local
// storage, and guards its emergency exception memory with a mutex; together with the thread
// support they pull in, some 5 KiB of each program. One thread needs one set of bookkeeping
// and no lock.

namespace {

// The runtime's per-thread exception record: two words (the exceptions caught and the count
// of those thrown and not yet caught), zeroed at start. Room for more, in case it grows.
alignas(void*) unsigned char exceptionGlobals[8 * sizeof(void*)];

}  // namespace

extern "C" {

void* __cxa_get_globals() noexcept { return exceptionGlobals; }
void* __cxa_get_globals_fast() noexcept { return exceptionGlobals; }

// The mutex of the emergency exception memory, which is never taken: with no second thread
// the runtime sees no need (_CRT_MT below), but the calls are still linked.
void __gthr_win32_mutex_init_function(void*) {}
void __gthr_win32_mutex_destroy(void*) {}
int __gthr_win32_mutex_lock(void*) { return 0; }
int __gthr_win32_mutex_unlock(void*) { return 0; }

// Tells the runtime that more than one thread may run its code: none does.
int _CRT_MT = 0;

// Called by the start-up code's TLS callback on every thread and process event, to run the
// destructors of thread-local keys (none without the thread support above) and to reset the
// floating-point unit of each new thread (none runs the programs' code).
int __mingw_TLScallback(void*, unsigned long, void*) { return 1; }

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
