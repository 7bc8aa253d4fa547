#include "platform/files.h"

#include <windows.h>

#include "platform/whole_text.h"

namespace platform {
namespace {

// The ANSI calls convert a path into a buffer of MAX_PATH characters; a path of fewer bytes
// always fits, whatever the code page.
bool FitsAnsiCalls(const std::string& path) { return path.size() < MAX_PATH; }

// A wide text, NUL-terminated. (A vector rather than std::wstring keeps a second string
// type out of the program.)
using WideText = std::vector<wchar_t>;

std::string Narrow(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

std::string Narrow(const wchar_t* text) { return Narrow(text, lstrlenW(text)); }

// The same path in the form the wide calls take at any length: "\\?\C:\..." or
// "\\?\UNC\server\share\...", converted from the ANSI code page.
WideText ExtendedLengthPath(const std::string& path) {
  const char* rest = path.c_str();
  const wchar_t* prefix = L"\\\\?\\";
  if (path.rfind("\\\\?\\", 0) == 0) {
    prefix = L"";
  } else if (path.rfind("\\\\", 0) == 0) {
    prefix = L"\\\\?\\UNC\\";
    rest += 2;
  }
  const int length = lstrlenW(prefix);
  const int size = MultiByteToWideChar(CP_ACP, 0, rest, -1, nullptr, 0);  // with the NUL
  WideText wide(prefix, prefix + length);
  wide.resize(static_cast<std::size_t>(length + (size > 0 ? size : 1)), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, rest, -1, wide.data() + length, size);
  return wide;
}

HANDLE OpenByPath(const std::string& path, DWORD access, DWORD sharing) {
  // The object itself, a folder too, never what a link names.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
  if (FitsAnsiCalls(path))
    return CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, flags, nullptr);
  return CreateFileW(ExtendedLengthPath(path).data(), access, sharing, nullptr, OPEN_EXISTING,
                     flags, nullptr);
}

FileKind KindOfListed(DWORD attributes, DWORD reserved0) {
  // The listing's reserved field carries the reparse tag when the attribute is set. Wine
  // leaves it unwritten: the records are zeroed first, so that its links read as tag 0.
  return {attributes, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? reserved0 : 0};
}

void FillEntry(const WIN32_FIND_DATAA& data, FolderEntry& entry) {
  entry.name = data.cFileName;
  entry.kind = KindOfListed(data.dwFileAttributes, data.dwReserved0);
}

void FillEntry(const WIN32_FIND_DATAW& data, FolderEntry& entry) {
  entry.name = Narrow(data.cFileName);
  entry.kind = KindOfListed(data.dwFileAttributes, data.dwReserved0);
}

bool SetInformation(const FileHandle& object, FILE_INFO_BY_HANDLE_CLASS kind, void* information,
                    DWORD size) {
  return SetFileInformationByHandle(object.get(), kind, information, size) != FALSE;
}

}  // namespace

bool IsExistingFile(const std::string& path) {
  // The ANSI search alone: a companion at a path too long for it could not be started
  // through the ANSI shell call either, so it counts as missing.
  WIN32_FIND_DATAA data = {};
  const FindHandle found(FindFirstFileA(path.c_str(), &data));
  return found && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFolder(const std::string& path) {
  const DWORD attributes = FitsAnsiCalls(path)
                               ? GetFileAttributesA(path.c_str())
                               : GetFileAttributesW(ExtendedLengthPath(path).data());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FindHandle FindFirstEntry(const std::string& pattern, FolderEntry& entry) {
  if (FitsAnsiCalls(pattern)) {
    WIN32_FIND_DATAA data = {};
    FindHandle listing(FindFirstFileA(pattern.c_str(), &data));
    if (listing) FillEntry(data, entry);
    return listing;
  }
  WIN32_FIND_DATAW data = {};
  FindHandle listing(FindFirstFileW(ExtendedLengthPath(pattern).data(), &data));
  if (listing) FillEntry(data, entry);
  return listing;
}

bool FindNextEntry(const FindHandle& listing, FolderEntry& entry) {
  // A listing started with a wide pattern goes on in wide characters; FindNextFileA would
  // give the same names converted by the system, but the wide call keeps one conversion.
  WIN32_FIND_DATAW data = {};
  if (!FindNextFileW(listing.get(), &data)) return false;
  FillEntry(data, entry);
  return true;
}

std::optional<FileKind> ListedKind(const std::string& path) {
  FolderEntry entry;
  const FindHandle found = FindFirstEntry(path, entry);
  if (!found) return std::nullopt;
  return entry.kind;
}

FileHandle HoldFolder(const std::string& path) {
  const DWORD list = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
  const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
  FileHandle folder(OpenByPath(path, list | DELETE, sharing));
  if (!folder && GetLastError() == ERROR_SHARING_VIOLATION)
    folder = FileHandle(OpenByPath(path, list, sharing));
  return folder;
}

std::vector<FolderEntry> ListHeldFolder(const FileHandle& folder) {
  std::vector<FolderEntry> entries;
  // Aligned for the records' 64-bit fields.
  std::vector<LONGLONG> buffer(8 * 1024);
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder.get(), kind, buffer.data(), size)) {
    kind = FileIdBothDirectoryInfo;
    const char* record = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto& information = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
      const int length = static_cast<int>(information.FileNameLength / sizeof(wchar_t));
      // The extended-attribute size stands for the reparse tag when the attribute is set.
      entries.push_back({Narrow(information.FileName, length),
                         KindOfListed(information.FileAttributes, information.EaSize)});
      if (!information.NextEntryOffset) break;
      record += information.NextEntryOffset;
    }
  }
  return entries;
}

FileHandle OpenForDeletion(const std::string& path) {
  // Sharing everything, as DeleteFile does: only a program that holds the object without
  // sharing deletion keeps it.
  return FileHandle(OpenByPath(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
}

FileKind KindOf(const FileHandle& object) {
  FILE_ATTRIBUTE_TAG_INFO information = {};
  if (!GetFileInformationByHandleEx(object.get(), FileAttributeTagInfo, &information,
                                    sizeof information))
    return {};
  return {information.FileAttributes, information.ReparseTag};
}

std::string FinalPath(const FileHandle& object) {
  return ReadWholeText([&](char* buffer, std::size_t size) -> std::size_t {
           // Reports the size needed, beyond `size`, when the path does not fit.
           return GetFinalPathNameByHandleA(object.get(), buffer, static_cast<DWORD>(size),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
         })
      .value_or("");
}

bool SetArchiveOnly(const FileHandle& object) {
  FILE_BASIC_INFO information = {};  // times of 0 stay as they are
  information.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  return SetInformation(object, FileBasicInfo, &information, sizeof information);
}

bool MarkForDeletion(const FileHandle& object) {
  FILE_DISPOSITION_INFO information = {TRUE};
  return SetInformation(object, FileDispositionInfo, &information, sizeof information);
}

}  // namespace platform
