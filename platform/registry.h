// The signed-in user's registry hive (HKEY_CURRENT_USER); no other hive is reached.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

// Value types, as the registry numbers them.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;

enum class KeyAccess { ReadOnly, Full };

// Opens an existing key below HKEY_CURRENT_USER (path without a leading backslash); never
// creates one. Empty when the key does not exist or cannot be opened with that access.
RegistryKey OpenUserKey(const std::string& path, KeyAccess access);

struct ValueInfo {
  std::uint32_t type;
  std::uint32_t size;
};

// Type and data size of a value; false when the query fails (no such value).
bool QueryValueInfo(const RegistryKey& key, const std::string& name, ValueInfo& info);

// Reads a value's data into `data`, which holds `size` bytes; on success `size` is the
// number of bytes read and `type` the value's type. False when the read fails, e.g. when the
// data do not fit.
bool ReadValueData(const RegistryKey& key, const std::string& name, void* data, std::uint32_t& size,
                   std::uint32_t& type);

// Deletes a value; whether it succeeded.
bool DeleteValue(const RegistryKey& key, const std::string& name);

}  // namespace platform
