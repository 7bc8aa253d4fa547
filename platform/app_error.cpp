#include "platform/app_error.h"

#include <windows.h>

#include <utility>

namespace platform {

__attribute__((noinline)) void RaiseError(const char* kind, std::string text) {
  const auto caller = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
  throw AppError{kind, std::move(text), static_cast<std::uint32_t>(caller - base)};
}

}  // namespace platform
