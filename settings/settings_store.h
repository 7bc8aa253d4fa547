// The only access to settings: the signed-in user's registry hive. A store holds at most one
// open key; opening another closes it, and so does releasing the store.
#pragma once

#include <string>

#include "platform/handles.h"

class SettingsStore {
 public:
  // Opens an existing key for reading only. Key paths start with a backslash, the root of
  // the hive. False when the key does not exist or cannot be opened.
  bool OpenReadOnly(const std::string& keyPath);
  // Opens an existing key with full access; never creates one. False when the key does not
  // exist or cannot be opened with full access.
  bool OpenForUpdate(const std::string& keyPath);
  // Whether a query of the value's type and size succeeds.
  bool HasValue(const std::string& name) const;
  // The value as a 4-byte flag; raises ERegistryException when it is not one.
  unsigned long ReadFlagValue(const std::string& name) const;
  // The value as text, up to its first NUL, environment references left as stored; empty
  // when it holds no data. Raises ERegistryException when it is not text.
  std::string ReadText(const std::string& name) const;
  // Deletes a value; whether that succeeded.
  bool RemoveValue(const std::string& name);
  // Closes the open key, if any.
  void Close();

 private:
  bool Open(const std::string& keyPath, bool forUpdate);

  platform::RegistryKey key_;
};

// Whether an on/off setting is on: a REG_DWORD other than 0. A missing key or value reads as
// off. Every call opens the key anew and closes it before returning.
bool ReadFlag(const std::string& keyPath, const std::string& name);
