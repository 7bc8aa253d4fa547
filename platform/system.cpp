#include "platform/system.h"

#include <windows.h>

#include "platform/app_error.h"

namespace platform {

std::string OwnModulePath() {
  // GetModuleFileNameA cuts the path to the buffer it is given; grow the buffer until the
  // whole path fits, so that a program in a deep folder still knows where it lies.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) RaiseError("EOSError", "The program's own path cannot be determined");
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

void Pause(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace platform
