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

}  // namespace platform
