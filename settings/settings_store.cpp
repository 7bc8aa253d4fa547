#include "settings/settings_store.h"

#include <cstdint>

#include "platform/app_error.h"
#include "platform/registry.h"

namespace {

constexpr const char* kRegistryError = "ERegistryException";

// The error is raised where the read fails, so that the report's address names that place.
std::string InvalidTypeText(const std::string& name) {
  return "Invalid data type for '" + name + "'";
}

std::string ReadFailureText(const std::string& name) {
  return "Failed to get data for '" + name + "'";
}

// "\SOFTWARE\..." names a key from the root of the hive.
std::string BelowHiveRoot(const std::string& keyPath) {
  return keyPath.compare(0, 1, "\\") == 0 ? keyPath.substr(1) : keyPath;
}

}  // namespace

bool SettingsStore::Open(const std::string& keyPath, bool forUpdate) {
  Close();
  key_ = platform::OpenUserKey(BelowHiveRoot(keyPath), forUpdate ? platform::KeyAccess::Full
                                                                 : platform::KeyAccess::ReadOnly);
  return static_cast<bool>(key_);
}

bool SettingsStore::OpenReadOnly(const std::string& keyPath) { return Open(keyPath, false); }

bool SettingsStore::OpenForUpdate(const std::string& keyPath) { return Open(keyPath, true); }

bool SettingsStore::HasValue(const std::string& name) const {
  platform::ValueInfo info;
  return platform::QueryValueInfo(key_, name, info);
}

unsigned long SettingsStore::ReadFlagValue(const std::string& name) const {
  // The data are read into 4 bytes before the type is tested: whatever holds more cannot be
  // read at all, whatever fits but is no REG_DWORD has the wrong type. A REG_DWORD of fewer
  // than 4 bytes reads with its missing high bytes as 0.
  std::uint32_t data = 0;
  std::uint32_t size = sizeof data;
  std::uint32_t type = 0;
  if (!platform::ReadValueData(key_, name, &data, size, type))
    platform::RaiseError(kRegistryError, ReadFailureText(name));
  if (type != platform::kRegDword) platform::RaiseError(kRegistryError, InvalidTypeText(name));
  return data;
}

std::string SettingsStore::ReadText(const std::string& name) const {
  platform::ValueInfo info;
  if (!platform::QueryValueInfo(key_, name, info) || info.size == 0) return {};
  // One byte more than asked for keeps a text stored without its NUL terminated.
  std::string text(info.size + 1, '\0');
  std::uint32_t size = info.size;
  std::uint32_t type = 0;
  if (!platform::ReadValueData(key_, name, text.data(), size, type))
    platform::RaiseError(kRegistryError, ReadFailureText(name));
  if (type != platform::kRegSz && type != platform::kRegExpandSz)
    platform::RaiseError(kRegistryError, InvalidTypeText(name));
  text.resize(text.find('\0'));
  return text;
}

bool SettingsStore::RemoveValue(const std::string& name) {
  return platform::DeleteValue(key_, name);
}

void SettingsStore::Close() { key_.reset(); }

bool ReadFlag(const std::string& keyPath, const std::string& name) {
  SettingsStore store;
  if (!store.OpenReadOnly(keyPath) || !store.HasValue(name)) return false;
  return store.ReadFlagValue(name) != 0;
}
