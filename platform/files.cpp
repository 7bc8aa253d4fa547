#include "platform/files.h"

#include <windows.h>

#include "platform/whole_text.h"

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

FileHandle HoldPlainFolder(const std::string& path) {
  FileHandle folder(CreateFileA(
      path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return {};
  // What the handle opened and what the path names must both be a plain folder: some file
  // systems (Wine's among them) open the target of a link even when asked not to, but still
  // show the link in the path's attributes.
  BY_HANDLE_FILE_INFORMATION opened;
  const DWORD named = GetFileAttributesA(path.c_str());
  auto isPlainFolder = [](DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  if (!GetFileInformationByHandle(folder.get(), &opened) ||
      !isPlainFolder(opened.dwFileAttributes) || !isPlainFolder(named))
    return {};
  return folder;
}

std::string FinalPath(const FileHandle& object) {
  return ReadWholeText([&](char* buffer, std::size_t size) -> std::size_t {
           // Reports the size needed, beyond `size`, when the path does not fit.
           return GetFinalPathNameByHandleA(object.get(), buffer, static_cast<DWORD>(size),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
         })
      .value_or("");
}

std::string FinalPath(const std::string& path) {
  // Reading attributes only: no share mode of another program stands in the way.
  const FileHandle entry(CreateFileA(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return entry ? FinalPath(entry) : "";
}

bool SetArchiveOnly(const std::string& path) {
  return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE) != FALSE;
}

bool DeleteOneFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != FALSE; }

}  // namespace platform
