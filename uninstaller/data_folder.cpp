#include <string>

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
    if (!entry.IsFolder()) return true;
  } while (platform::FindNextEntry(listing, entry));
  return false;
}

// Backups lie directly in the data folder, in its "Backup" or in its "Drivers"; deeper
// files are not looked at.
bool HoldsBackups(const std::string& dataFolder) {
  return HoldsFileAtTopLevel(dataFolder) || HoldsFileAtTopLevel(dataFolder + "Backup") ||
         HoldsFileAtTopLevel(dataFolder + "Drivers");
}

void DeleteTree(const std::string& folder);

// Deletes what `folder` holds, as far as it can. Only what truly lies in the folder is
// touched: a link inside is removed, never walked, and an entry that resolves to anywhere
// but its place in the folder is left alone, for some file systems (Wine's among them) show
// a link to a file as that file and would delete what it names.
void DeleteEntries(const std::string& folder) {
  const platform::FileHandle held =
      platform::HoldPlainFolder(platform::WithoutTrailingBackslash(folder, platform::IsLeadByte));
  if (!held) return;
  const std::string resolvedFolder = WithBackslash(platform::FinalPath(held));
  platform::FolderEntry entry;
  const platform::FindHandle listing = platform::FindFirstEntry(folder + "*.*", entry);
  if (!listing) return;
  do {
    if (entry.IsDotEntry()) continue;
    const std::string path = folder + entry.name;
    if (platform::FinalPath(path) != resolvedFolder + entry.name) continue;
    if (entry.IsFolder()) {
      DeleteTree(path);
    } else {
      // A file link's attributes would be set on the file it names, outside the folder.
      if (!entry.IsLink()) platform::SetArchiveOnly(path);
      platform::DeleteOneFile(path);
    }
  } while (platform::FindNextEntry(listing, entry));
}

// Depth first; what cannot be deleted stays, with the folders on its way, and nothing is
// reported.
void DeleteTree(const std::string& folder) {
  const std::string path = WithBackslash(folder);
  DeleteEntries(path);  // releases the folder and its listing before the folder goes
  platform::RemoveEmptyFolder(path);
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
  if (HoldsBackups(dataFolder) && !platform::UserAnswersYes(kQuestion, kQuestionCaption)) return;
  DeleteTree(dataFolder);
  if (platform::IsExistingFolder(dataFolder)) platform::RemoveEmptyFolder(dataFolder);
}
