// The one error type of the programs: the kind name and text that the error report shows,
// and where the error arose.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct AppError {
  const char* kind;  // e.g. "ERegistryException"
  std::string text;
  std::uint32_t address;  // code address of the raise, relative to the program's load address
};

// Throws an AppError whose address is the caller's code address, so that the report tells
// which call raised it.
[[noreturn]] void RaiseError(const char* kind, std::string text);

}  // namespace platform
