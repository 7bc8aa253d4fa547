#include "platform/registry.h"

#include <windows.h>

namespace platform {

RegistryKey OpenUserKey(const std::string& path, KeyAccess access) {
  const REGSAM rights = access == KeyAccess::ReadOnly ? KEY_READ : KEY_ALL_ACCESS;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, rights, &key) != ERROR_SUCCESS) return {};
  return RegistryKey(key);
}

bool QueryValueInfo(const RegistryKey& key, const std::string& name, ValueInfo& info) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  info = {type, size};
  return true;
}

bool ReadValueData(const RegistryKey& key, const std::string& name, void* data, std::uint32_t& size,
                   std::uint32_t& type) {
  DWORD valueType = REG_NONE;
  DWORD valueSize = size;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &valueType, static_cast<BYTE*>(data),
                       &valueSize) != ERROR_SUCCESS)
    return false;
  size = valueSize;
  type = valueType;
  return true;
}

bool DeleteValue(const RegistryKey& key, const std::string& name) {
  return RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

}  // namespace platform
