// Files and folders, by ANSI path.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

// Whether a directory search for exactly this path finds a file: hidden and system files
// count, a folder does not. Timestamps play no part.
bool IsExistingFile(const std::string& path);

// Whether the path's attributes can be read and show a folder.
bool IsExistingFolder(const std::string& path);

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  std::uint32_t attributes = 0;

  bool IsFolder() const;
  // A junction or symbolic link: what it names lies elsewhere.
  bool IsLink() const;
  bool IsDotEntry() const { return name == "." || name == ".."; }
};

// Starts listing the entries that match `pattern`, whatever their attributes, and fills
// `entry` with the first. Empty when nothing matches or the folder cannot be listed.
FindHandle FindFirstEntry(const std::string& pattern, FolderEntry& entry);

// Fills `entry` with the next entry of the listing; false at its end.
bool FindNextEntry(const FindHandle& listing, FolderEntry& entry);

// Opens a folder so that its entries can be deleted safely: empty unless the path names a
// plain folder, not a junction or symbolic link. While held, the folder cannot be renamed,
// deleted or swapped for a link by anyone (its handle does not share deletion), so a walk
// of it stays inside it. `path` has no trailing backslash, which would make the file system
// look through a link.
FileHandle HoldPlainFolder(const std::string& path);

// The path that the file system resolves an open folder, or the entry at `path`, to
// (GetFinalPathNameByHandle); a link is opened itself where the system allows it. Empty when
// it cannot be opened.
std::string FinalPath(const FileHandle& object);
std::string FinalPath(const std::string& path);

// Leaves a file with the archive attribute only, clearing read-only, hidden and system.
bool SetArchiveOnly(const std::string& path);
bool DeleteOneFile(const std::string& path);
// Removes a folder, which succeeds only when it is empty (or a link, which goes alone).
bool RemoveEmptyFolder(const std::string& path);

}  // namespace platform
