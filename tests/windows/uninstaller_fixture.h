// The uninstaller's test fixture: a copy of the program in a fresh folder, the registry and
// the data folder cleared around each test.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "bench.h"

namespace uninstaller_tests {

inline const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const char kPaltrunKey[] = "SOFTWARE\\Vintorra\\Vintorra Paltrun";
inline const char kProduct[] = "Vintorra Paltrun";
constexpr unsigned long long kMillisecond = 10000;  // in FILETIME units

inline std::string DocumentsFolder() {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder)))
    throw std::runtime_error("no documents folder");
  return folder;
}

inline void DeleteRunValue(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

inline bench::BoxAnswerer Answer(int confirmation) {
  return [confirmation](const bench::MessageBoxSeen& box) {
    return box.caption == "Confirmation" ? confirmation : IDOK;
  };
}

class UninstallerTest : public testing::Test {
 protected:
  void SetUp() override {
    bench::DeleteKeyTree("SOFTWARE\\Vintorra");
    DeleteRunValue(kProduct);
    bench::RemoveTree(makerFolder_);
    SetEnvironmentVariableA("STUB_RECORD_DIR", records_.c_str());
    bench::CopyProgram("VPTUninstaller.exe", uninstaller_);
  }
  void TearDown() override {
    bench::DeleteKeyTree("SOFTWARE\\Vintorra");
    DeleteRunValue(kProduct);
    bench::RemoveTree(makerFolder_);
  }

  bench::RunResult RunUninstaller(const bench::BoxAnswerer& answer = bench::PressOk) {
    bench::RunResult result = bench::Run(uninstaller_, cwd_, answer);
    bench::WaitForProgramsBelow(folder_.path());
    return result;
  }

  std::string Data(const std::string& relative) const {
    return relative.empty() ? dataFolder_ : dataFolder_ + "\\" + relative;
  }
  // Creates a file below the data folder, with the folders on its way.
  void MakeDataFile(const std::string& relative, DWORD attributes = 0) {
    const std::string path = Data(relative);
    bench::MakeDirectory(path.substr(0, path.find_last_of('\\')));
    bench::WriteFile(path, "backup of " + relative);
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
  }
  void MakeDataFolder(const std::string& relative) { bench::MakeDirectory(Data(relative)); }

  // A stub the uninstall page can name: "abcde" opens "abcde.exe" in the current folder.
  void InstallPageStub(const std::string& name) {
    bench::CopyProgram("companion_stub.exe", cwd_ + "\\" + name);
  }
  std::vector<std::string> StartsSeen() const {
    return bench::Summaries(bench::ReadStartRecords(records_));
  }

  bench::TestFolder folder_;
  const std::string app_ = folder_.Make("app");
  const std::string cwd_ = folder_.Make("cwd");
  const std::string records_ = folder_.Make("records");
  const std::string uninstaller_ = app_ + "\\VPTUninstaller.exe";
  const std::string documents_ = DocumentsFolder();
  const std::string makerFolder_ = documents_ + "\\Vintorra";
  const std::string dataFolder_ = makerFolder_ + "\\Vintorra Paltrun";
};

}  // namespace uninstaller_tests
