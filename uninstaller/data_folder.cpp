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
  platform::FileIdentity identity;
  platform::FindHandle listing;
  platform::FolderEntry next;  // the entry to take next, while `hasNext`
  bool hasNext = false;
};

// Holds and starts listing the folder at `path`, which its own folder lists as `listed`
// (the data folder: itself) and resolves to `resolvedParent`, and puts it on the walk. A
// link, or an entry that resolves to anywhere but its place, is left alone: some file
// systems (Wine's among them) open what a link names even when asked not to.
void EnterFolder(const std::string& path, const platform::FileKind& listed,
                 const std::string* resolvedParent, std::vector<WalkedFolder>& walk) {
  WalkedFolder folder;
  folder.path = WithBackslash(path);
  folder.held = platform::HoldFolder(WithoutBackslash(path));
  if (!folder.held || !listed.IsPlainFolder() || !platform::KindOf(folder.held).IsPlainFolder())
    return;
  const std::optional<platform::FileIdentity> identity = platform::IdentityOf(folder.held);
  if (!identity) return;
  folder.identity = *identity;
  // Below a folder whose final path is unknown, no final path is known either.
  if (!resolvedParent || !resolvedParent->empty()) {
    const std::string resolved = platform::FinalPath(folder.held);
    if (resolvedParent &&
        !platform::LiesWhereListed(*resolvedParent, platform::FileNamePart(path, platform::IsLeadByte),
                                   resolved))
      return;
    if (!resolved.empty()) folder.resolved = WithBackslash(resolved);
  }
  folder.listing = platform::FindFirstEntry(folder.path + "*.*", folder.next);
  folder.hasNext = static_cast<bool>(folder.listing);
  walk.push_back(std::move(folder));
}

// Removes a folder of the walk once its listing is done; it goes only when empty, and only
// when the object at its path is still the one walked.
void LeaveFolder(std::vector<WalkedFolder>& walk) {
  const std::string path = WithoutBackslash(walk.back().path);
  const platform::FileIdentity walked = walk.back().identity;
  walk.pop_back();  // releases the listing and the hold, which does not share deletion
  const platform::FileHandle folder = platform::OpenForDeletion(path);
  if (folder && platform::KindOf(folder).IsPlainFolder() &&
      platform::IdentityOf(folder) == walked)
    platform::MarkForDeletion(folder);
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
// exhaust the program's stack. What cannot be deleted stays, with the folders on its way,
// and nothing is reported.
void DeleteTree(const std::string& folder, const platform::FileKind& listed) {
  std::vector<WalkedFolder> walk;
  EnterFolder(folder, listed, nullptr, walk);
  while (!walk.empty()) {
    WalkedFolder& current = walk.back();
    if (!current.hasNext) {
      LeaveFolder(walk);
      continue;
    }
    const platform::FolderEntry entry = std::move(current.next);
    current.hasNext = platform::FindNextEntry(current.listing, current.next);
    if (entry.IsDotEntry()) continue;
    if (entry.kind.IsPlainFolder()) {
      const std::string resolved = current.resolved;  // `current` moves as the walk grows
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
