// The text of the default error report. Portable: no Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Two lines, each ended by CR LF:
//   Exception <kind> in module <module> at <address, 8 upper-case hex digits>.
//   <text>, with a full stop added when it does not already end in one
std::string FormatErrorReport(std::string_view kind, std::string_view module, std::uint32_t address,
                              std::string_view text);

}  // namespace platform
