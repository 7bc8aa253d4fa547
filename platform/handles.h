// The owned kinds of Windows objects. The handle types match <windows.h> without including it.
#pragma once

#include <cstdint>

#include "platform/unique_handle.h"

struct HKEY__;

namespace platform {

struct RegistryKeyTraits {
  using Handle = HKEY__*;
  static Handle Empty() noexcept { return nullptr; }
  static void Close(Handle key) noexcept;  // RegCloseKey
};

// Kernel objects opened with CreateFile: empty at INVALID_HANDLE_VALUE, not at NULL.
struct FileHandleTraits {
  using Handle = void*;
  static Handle Empty() noexcept { return reinterpret_cast<void*>(~std::uintptr_t{0}); }
  static void Close(Handle file) noexcept;  // CloseHandle
};

struct FindHandleTraits {
  using Handle = void*;
  static Handle Empty() noexcept { return reinterpret_cast<void*>(~std::uintptr_t{0}); }
  static void Close(Handle find) noexcept;  // FindClose
};

using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace platform
