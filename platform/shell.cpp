#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace platform {

void ShellOpen(const std::string& item, const std::string& parameters, ShowMode showMode) {
  ShellExecuteA(nullptr, "open", item.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                nullptr, static_cast<int>(showMode));
}

std::string DocumentsFolder() {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return {};
  return folder;
}

}  // namespace platform
