// Linked into each shipped program in place of parts of the C++ runtime that it never needs
// but that would otherwise weigh more than the program itself.
//
// The runtime's default terminate handler prints the escaped exception's demangled type: the
// demangler and the formatted printing it brings are some 50 KiB. No exception escapes these
// programs (the error report catches them all), so ending at once is enough.
//
// The helpers that the standard library calls to throw its own errors build those errors
// from strings of their own (the std::logic_error family); raising our error instead keeps
// that machinery out. They are reached only when a size or position is out of range, which
// the programs never ask for; should it happen, the error report names it.
#include <cstdlib>
#include <new>

#include "platform/app_error.h"

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_length_error(const char* what) { platform::RaiseError("ELengthError", what); }
void __throw_logic_error(const char* what) { platform::RaiseError("ELogicError", what); }
void __throw_out_of_range(const char* what) { platform::RaiseError("ERangeError", what); }
void __throw_out_of_range_fmt(const char* what, ...) { platform::RaiseError("ERangeError", what); }
void __throw_invalid_argument(const char* what) { platform::RaiseError("EArgumentError", what); }
}  // namespace std
