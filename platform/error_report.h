// The default error report installed around a program's whole run.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// Runs `sequence`. An error that escapes it is shown in a task-modal box titled
// "Application Error"; once the user has closed the box the result is 1, otherwise 0.
int RunWithErrorReport(void (*sequence)());

// Shows the same report for an error that cannot travel as an exception, then ends the
// process with status 1.
[[noreturn]] void EndWithErrorReport(std::string_view kind, std::string_view text,
                                     std::uint32_t address) noexcept;

}  // namespace platform
