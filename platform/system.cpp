#include "platform/system.h"

#include <windows.h>

#include "platform/app_error.h"
#include "platform/whole_text.h"

namespace platform {

std::string OwnModulePath() {
  // The whole path, however deep the folder: a path cut at MAX_PATH would name another
  // folder, and the launcher would look there for its companions.
  const std::optional<std::string> path = ReadWholeText([](char* buffer, std::size_t size) {
    return GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  });
  if (!path) RaiseError("EOSError", "The program's own path cannot be determined");
  return *path;
}

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

void Pause(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace platform
