#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ansi_path.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/user_interface.h"
#include "profiles/product_profile.h"
#include "uninstaller/uninstall_steps.h"

namespace {

const char kMakerFolder[] = "Vintorra";
const char kQuestion[] = "Are you sure you wish to delete all backups?";
const char kQuestionCaption[] = "Confirmation";

std::string WithBackslash(const std::string& path) {
  return platform::WithTrailingBackslash(path, platform::IsLeadByte);
}

// Whether a file (anything but a folder) lies at the top level of `folder`.
bool HoldsFileAtTopLevel(const std::string& folder) {
  platform::FolderEntry entry;
  const platform::FindHandle listing =
      platform::FindFirstEntry(WithBackslash(folder) + "*.*", entry);
  if (!listing) return false;
  do {
    if (!entry.kind.IsFolder()) return true;
  } while (platform::FindNextEntry(listing, entry));
  return false;
}

// Backups lie directly in the data folder, in its "Backup" or in its "Drivers"; deeper
// files are not looked at.
bool HoldsBackups(const std::string& dataFolder) {
  return HoldsFileAtTopLevel(dataFolder) || HoldsFileAtTopLevel(dataFolder + "Backup") ||
         HoldsFileAtTopLevel(dataFolder + "Drivers");
}

std::string WithoutBackslash(const std::string& path) {
  return platform::WithoutTrailingBackslash(path, platform::IsLeadByte);
}

// A folder of the walk, held while its entries go so that nobody can rename it, delete it
// or swap it for a link meanwhile: a walk below it stays inside it.
struct WalkedFolder {
  std::string path;      // with its trailing backslash
  std::string resolved;  // its final path with a backslash; empty when the system cannot tell
  platform::FileHandle held;
  std::vector<platform::FolderEntry> entries;  // as listed through `held`
  std::size_t next = 0;                        // the entry to take next
};

// Holds and lists the folder at `path`, which its own folder lists as `listed` (the data
// folder: itself) and resolves to `resolvedParent`, and puts it on the walk. A link, or an
// entry that resolves to anywhere but its place, is left alone: some file systems (Wine's
// among them) open what a link names even when asked not to.
void EnterFolder(const std::string& path, const platform::FileKind& listed,
                 const std::string* resolvedParent, std::vector<WalkedFolder>& walk) {
  WalkedFolder folder;
  folder.path = WithBackslash(path);
  folder.held = platform::HoldFolder(path);
  if (!folder.held || !listed.IsPlainFolder() || !platform::KindOf(folder.held).IsPlainFolder())
    return;
  // Below a folder whose final path is unknown, no final path is known either.
  if (!resolvedParent || !resolvedParent->empty()) {
    const std::string resolved = platform::FinalPath(folder.held);
    const std::string name = platform::FileNamePart(path, platform::IsLeadByte);
    if (resolvedParent && !platform::LiesWhereListed(*resolvedParent, name, resolved)) return;
    if (!resolved.empty()) folder.resolved = WithBackslash(resolved);
  }
  folder.entries = platform::ListHeldFolder(folder.held);
  walk.push_back(std::move(folder));
}

// Deletes a file or a link (to a file or a folder) that `folder` lists as `entry`. A link
// goes itself; what it names lies outside and is never touched, attributes included.
void DeleteAlone(const WalkedFolder& folder, const platform::FolderEntry& entry) {
  const platform::FileHandle opened = platform::OpenForDeletion(folder.path + entry.name);
  if (!opened) return;  // gone, or held by a program that does not share deletion
  const platform::FileKind kind = platform::KindOf(opened);
  if (!kind.IsLink()) {
    // A folder opened for a link is what the link names.
    if (kind.IsFolder()) return;
    const std::string resolved = folder.resolved.empty() ? "" : platform::FinalPath(opened);
    if (!platform::LiesWhereListed(folder.resolved, entry.name, resolved)) return;
    if (kind.IsProtected()) platform::SetArchiveOnly(opened);
  }
  platform::MarkForDeletion(opened);  // it goes as `opened` closes
}

// Depth first, with an explicit stack of held folders, so that no depth of nesting can
// exhaust the program's stack. Each folder goes through its own hold once its entries are
// done, and only if it is empty by then. What cannot be deleted stays, with the folders on
// its way, and nothing is reported.
void DeleteTree(const std::string& folder, const platform::FileKind& listed) {
  std::vector<WalkedFolder> walk;
  EnterFolder(folder, listed, nullptr, walk);
  while (!walk.empty()) {
    WalkedFolder& current = walk.back();
    if (current.next == current.entries.size()) {
      platform::MarkForDeletion(current.held);
      walk.pop_back();  // the folder goes as its hold is released
      continue;
    }
    const platform::FolderEntry& entry = current.entries[current.next++];
    if (entry.IsDotEntry()) continue;
    if (entry.kind.IsPlainFolder()) {
      // `current` and `entry` move as the walk grows.
      const std::string resolved = current.resolved;
      EnterFolder(current.path + entry.name, entry.kind, &resolved, walk);
    } else {
      DeleteAlone(current, entry);
    }
  }
}

// Removes the link at `path` itself; anything else stays.
void RemoveLink(const std::string& path) {
  const platform::FileHandle opened = platform::OpenForDeletion(path);
  if (opened && platform::KindOf(opened).IsLink()) platform::MarkForDeletion(opened);
}

// Removes the folder at `path` if it is an empty plain folder.
void RemoveEmptyFolder(const std::string& path) {
  const std::optional<platform::FileKind> listed = platform::ListedKind(path);
  const platform::FileHandle opened = platform::OpenForDeletion(path);
  if (listed && listed->IsPlainFolder() && opened && platform::KindOf(opened).IsPlainFolder())
    platform::MarkForDeletion(opened);
}

}  // namespace

void RemoveDataFolder() {
  const std::string documents = platform::DocumentsFolder();
  // Without the documents folder the data folder's place is unknown: never guess at the
  // root of the drive.
  if (documents.empty()) return;
  const std::string dataFolder =
      WithBackslash(documents) + kMakerFolder + "\\" + kPaltrunProfile.productName + "\\";
  if (!platform::IsExistingFolder(dataFolder)) return;
  const std::string dataFolderItself = WithoutBackslash(dataFolder);
  const std::optional<platform::FileKind> listed = platform::ListedKind(dataFolderItself);
  if (!listed) return;
  // A data folder that is a link holds none of the user's files: the link goes, unasked.
  if (listed->IsLink()) {
    RemoveLink(dataFolderItself);
    return;
  }
  if (HoldsBackups(dataFolder) && !platform::UserAnswersYes(kQuestion, kQuestionCaption)) return;
  DeleteTree(dataFolderItself, *listed);
  if (platform::IsExistingFolder(dataFolder)) RemoveEmptyFolder(dataFolderItself);
}
