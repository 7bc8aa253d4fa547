#include "platform/handles.h"

#include <windows.h>

namespace platform {

void RegistryKeyTraits::Close(Handle key) noexcept { RegCloseKey(key); }
void FileHandleTraits::Close(Handle file) noexcept { CloseHandle(file); }
void FindHandleTraits::Close(Handle find) noexcept { FindClose(find); }

}  // namespace platform
