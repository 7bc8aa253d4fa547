// The shell: starting programs and opening items, and the user's folders.
#pragma once

#include <string>

namespace platform {

// How a started program shows its first window (SW_SHOWNORMAL, SW_SHOWNA).
enum class ShowMode : int { Normal = 1, NoActivate = 8 };

// Hands an item to the shell's "open" verb, with no owner window and no working folder (the
// started program inherits ours); empty parameters are passed as none. The result is not
// examined and nothing is awaited.
void ShellOpen(const std::string& item, const std::string& parameters, ShowMode showMode);

// The user's documents folder at its current place; empty when it cannot be determined.
std::string DocumentsFolder();

}  // namespace platform
