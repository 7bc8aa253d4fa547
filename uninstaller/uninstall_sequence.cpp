#include "platform/shell.h"
#include "platform/system.h"
#include "profiles/product_profile.h"
#include "settings/settings_store.h"
#include "uninstaller/uninstall_steps.h"

namespace {

const char kAutostartKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallPageSetting[] = "UninstallURL";

// The autostart value bears the product's name; its content is not read.
void RemoveAutostartEntry(SettingsStore& store) {
  if (!store.OpenForUpdate(kAutostartKey)) return;
  if (store.HasValue(kPaltrunProfile.productName)) store.RemoveValue(kPaltrunProfile.productName);
  store.Close();
}

std::string ReadUninstallPageUrl(SettingsStore& store) {
  std::string url;
  if (!store.OpenForUpdate(kPaltrunProfile.settingsKey)) return url;
  if (store.HasValue(kUninstallPageSetting)) url = store.ReadText(kUninstallPageSetting);
  store.Close();
  return url;
}

// Only an address longer than 4 bytes is opened, as stored: neither trimmed nor checked.
void OpenUninstallPage(const std::string& url) {
  if (url.size() <= 4) return;
  platform::ShellOpen(url, "", platform::ShowMode::Normal);
  platform::Pause(kPauseMilliseconds);
}

}  // namespace

void UninstallSequence() {
  std::string uninstallPageUrl;
  {
    SettingsStore store;  // shared by the first two steps
    RemoveAutostartEntry(store);
    uninstallPageUrl = ReadUninstallPageUrl(store);
  }
  SendRemovalNotice();
  SignalComponents();
  OpenUninstallPage(uninstallPageUrl);
  RemoveDataFolder();
}
