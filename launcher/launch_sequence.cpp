#include "launcher/launch_sequence.h"

#include "platform/files.h"
#include "platform/system.h"
#include "platform/user_interface.h"
#include "settings/settings_store.h"

std::string ProgramFolder() {
  return platform::FolderPart(platform::OwnModulePath(), platform::IsLeadByte);
}

namespace {

// A row with a window title counts as running while a window of that title exists, whoever
// owns it.
bool IsRunning(const CompanionEntry& entry) {
  return *entry.windowTitle != '\0' && platform::FindTopLevelWindow(entry.windowTitle) != nullptr;
}

}  // namespace

void LaunchSequence(const ProductProfile& profile) {
  const std::string folder = ProgramFolder();
  for (const CompanionEntry& entry : profile) {
    if (!ReadFlag(profile.settingsKey, entry.setting)) continue;
    if (IsRunning(entry)) continue;
    const std::string path = folder + "\\" + entry.programFile;
    if (!platform::IsExistingFile(path)) continue;
    platform::ShellOpen(path, entry.parameters, entry.showMode);
  }
}
