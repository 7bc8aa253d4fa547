// Files and folders, by ANSI path. A path too long for the ANSI calls goes to the wide calls
// as a "\\?\" path converted from the ANSI code page, so no entry is out of reach.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace platform {

// ---- Portable: what an entry is, decided from its attributes and reparse tag -------------

// What a file-system object is: its attributes and, when they include the reparse-point
// attribute, its reparse tag.
struct FileKind {
  static constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4;
  static constexpr std::uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
  static constexpr std::uint32_t kNameSurrogate = 0x20000000;  // IsReparseTagNameSurrogate

  std::uint32_t attributes = 0;
  std::uint32_t reparseTag = 0;

  bool IsFolder() const { return (attributes & kDirectory) != 0; }
  // A junction, a symbolic link or another name surrogate: what it names lies elsewhere.
  // Other reparse points (cloud placeholders, deduplicated or compressed files) are ordinary
  // files and folders. Wine shows a Unix symbolic link with the attribute and tag 0.
  bool IsLink() const {
    return (attributes & kReparsePoint) != 0 &&
           (reparseTag == 0 || (reparseTag & kNameSurrogate) != 0);
  }
  bool IsPlainFolder() const { return IsFolder() && !IsLink(); }
  // Read-only, hidden or system: what stands in the way of deleting a file.
  bool IsProtected() const { return (attributes & (kReadOnly | kHidden | kSystem)) != 0; }
};

// Whether an object opened at its place in a folder is the entry listed there: its final
// path is the folder's final path (with its backslash) followed by the entry's name. Where
// either final path is unknown (empty), the checks on the opened handle decide alone.
inline bool LiesWhereListed(const std::string& resolvedFolder, const std::string& name,
                            const std::string& resolvedEntry) {
  return resolvedFolder.empty() || resolvedEntry.empty() || resolvedEntry == resolvedFolder + name;
}

// ---- Paths ------------------------------------------------------------------------------

// Whether a directory search for exactly this path finds a file: hidden and system files
// count, a folder does not. Timestamps play no part. ANSI only, at any length.
bool IsExistingFile(const std::string& path);

// Whether the path's attributes can be read and show a folder.
bool IsExistingFolder(const std::string& path);

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  FileKind kind;

  bool IsDotEntry() const { return name == "." || name == ".."; }
};

// Starts listing the entries that match `pattern`, whatever their attributes, and fills
// `entry` with the first. Empty when nothing matches or the folder cannot be listed.
FindHandle FindFirstEntry(const std::string& pattern, FolderEntry& entry);

// Fills `entry` with the next entry of the listing; false at its end.
bool FindNextEntry(const FindHandle& listing, FolderEntry& entry);

// What the entry at `path` (no trailing backslash) is, as its folder lists it; nothing when
// it does not exist.
std::optional<FileKind> ListedKind(const std::string& path);

// ---- Opened objects -----------------------------------------------------------------------

// Opens a folder to list and then remove it while nobody else can rename, delete or swap it
// for a link (the handle does not share deletion). The object at the path itself is opened,
// never what a link names, where the system allows it. Where another program holds the
// folder without sharing deletion, it is held without the right to remove it. `path` has no
// trailing backslash.
FileHandle HoldFolder(const std::string& path);

// Every entry of a held folder, in the order the file system lists them, "." and ".."
// included. Read through the handle, so the listing is of the very object held.
std::vector<FolderEntry> ListHeldFolder(const FileHandle& folder);

// Opens the object at `path` itself, never what a link names where the system allows it,
// so that it can be examined and deleted. Empty when it is in use or gone.
FileHandle OpenForDeletion(const std::string& path);

// What an opened object is.
FileKind KindOf(const FileHandle& object);

// The path that the file system resolves an open object to (GetFinalPathNameByHandle).
// Empty when the system cannot tell, as on volumes that the mount manager does not know.
std::string FinalPath(const FileHandle& object);

// Leaves an object opened for deletion with the archive attribute only, clearing read-only,
// hidden and system.
bool SetArchiveOnly(const FileHandle& object);

// Marks an object opened for deletion (or a folder held with the right to remove it) to go
// when its last handle closes; a folder only when it is empty.
bool MarkForDeletion(const FileHandle& object);

}  // namespace platform
