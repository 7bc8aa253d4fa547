// The running program and the system it runs on.
#pragma once

#include <string>

#include "platform/ansi_path.h"

namespace platform {

// The program's own full path, however long it is.
std::string OwnModulePath();

// Whether a byte starts a double-byte character in the system's ANSI code page.
bool IsLeadByte(unsigned char byte);

// Blocks the calling thread for the given time.
void Pause(unsigned milliseconds);

}  // namespace platform
