#include "platform/files.h"

#include <windows.h>

namespace platform {
namespace {

void FillEntry(const WIN32_FIND_DATAA& data, FolderEntry& entry) {
  entry.name = data.cFileName;
  entry.attributes = data.dwFileAttributes;
}

}  // namespace

bool FolderEntry::IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool FolderEntry::IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool IsExistingFile(const std::string& path) {
  FolderEntry entry;
  const FindHandle found = FindFirstEntry(path, entry);
  return found && !entry.IsFolder();
}

bool IsExistingFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FindHandle FindFirstEntry(const std::string& pattern, FolderEntry& entry) {
  WIN32_FIND_DATAA data;
  FindHandle listing(FindFirstFileA(pattern.c_str(), &data));
  if (listing) FillEntry(data, entry);
  return listing;
}

bool FindNextEntry(const FindHandle& listing, FolderEntry& entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(listing.get(), &data)) return false;
  FillEntry(data, entry);
  return true;
}

}  // namespace platform
