// The uninstaller, run as built: registry, stop signals to windows the driver owns, the
// uninstall page (an address that names a stub program) and the data folder.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "bench.h"
#include "links.h"
#include "uninstaller_fixture.h"

namespace {

using namespace uninstaller_tests;

// ---- Autostart entry and settings ------------------------------------------------------

TEST_F(UninstallerTest, RemovesTheAutostartValueAndKeepsItsNeighbours) {
  bench::SetText(kRunKey, kProduct, "C:\\Program Files\\Vintorra\\Paltrun.exe /tray");
  bench::SetText(kRunKey, "Vintorra Paltrun Helper", "helper.exe");
  bench::SetText(kRunKey, "Other", "other.exe");

  const bench::RunResult result = RunUninstaller();

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_FALSE(bench::ValueExists(kRunKey, kProduct));
  EXPECT_TRUE(bench::ValueExists(kRunKey, "Vintorra Paltrun Helper"));
  EXPECT_TRUE(bench::ValueExists(kRunKey, "Other"));
  DeleteRunValue("Vintorra Paltrun Helper");
  DeleteRunValue("Other");
}

TEST_F(UninstallerTest, WithNothingToDoItEndsWithStatus0AndCreatesNothing) {
  const bench::RunResult result = RunUninstaller();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_FALSE(bench::KeyExists(kPaltrunKey)) << "the settings key is opened, never created";
  EXPECT_FALSE(bench::FolderExists(makerFolder_));
}

// ---- Uninstall page ----------------------------------------------------------------------

struct PageCase {
  const char* what;
  DWORD type;
  std::string bytes;
  std::vector<std::string> expected;  // what the shell started
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.what; }

class UninstallPageTest : public UninstallerTest, public testing::WithParamInterface<PageCase> {};

TEST_P(UninstallPageTest, OnlyAnAddressLongerThan4BytesIsOpened) {
  InstallPageStub("abcd.exe");
  InstallPageStub("abcde.exe");
  SetEnvironmentVariableA("P", "abcde");  // what "%P%" would name if it were expanded
  bench::SetValue(kPaltrunKey, "UninstallURL", GetParam().type, GetParam().bytes);

  const bench::RunResult result = RunUninstaller();

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(StartsSeen(), GetParam().expected);
  SetEnvironmentVariableA("P", nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, UninstallPageTest,
    testing::Values(
        PageCase{"4 bytes", REG_SZ, std::string("abcd\0", 5), {}},
        PageCase{"5 bytes", REG_SZ, std::string("abcde\0", 6), {"abcde.exe show=1"}},
        PageCase{"5 bytes without NUL", REG_SZ, "abcde", {"abcde.exe show=1"}},
        PageCase{"expandable text", REG_EXPAND_SZ, std::string("abcde\0", 6), {"abcde.exe show=1"}},
        // Read as stored: 3 bytes, however long the expanded text would be.
        PageCase{"unexpanded reference", REG_EXPAND_SZ, std::string("%P%\0", 4), {}},
        // The text ends at its first NUL.
        PageCase{"text with a NUL inside", REG_SZ, std::string("abcd\0abcde\0", 11), {}},
        PageCase{"empty text", REG_SZ, std::string(1, '\0'), {}},
        PageCase{"no data of any type", REG_BINARY, "", {}}));

TEST_F(UninstallerTest, NonTextAddressEndsTheRunAfterTheAutostartValueIsGone) {
  bench::SetText(kRunKey, kProduct, "Paltrun.exe");
  bench::SetValue(kPaltrunKey, "UninstallURL", REG_DWORD, bench::DwordBytes(1));
  bench::OwnedWindow mainProgram(kProduct);
  MakeDataFile("backup.dat");

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 1u);
  ASSERT_EQ(result.boxes.size(), 1u) << "no question may follow the report";
  EXPECT_EQ(result.boxes[0].caption, "Application Error");
  EXPECT_TRUE(std::regex_match(
      result.boxes[0].text,
      std::regex("Exception ERegistryException in module VPTUninstaller\\.exe at [0-9A-F]{8}\\.\r\n"
                 "Invalid data type for 'UninstallURL'\\.\r\n")))
      << result.boxes[0].text;
  EXPECT_TRUE(result.boxes[0].programWaited);
  EXPECT_FALSE(bench::ValueExists(kRunKey, kProduct));
  EXPECT_TRUE(mainProgram.messages().empty());
  EXPECT_TRUE(bench::FileExists(Data("backup.dat")));
}

// ---- Stop signals ------------------------------------------------------------------------

TEST_F(UninstallerTest, SignalsEveryRunningProgramInOrderWithItsRegisteredMessage) {
  bench::OwnedWindow mainProgram(kProduct, bench::WindowKind::Visible);
  bench::OwnedWindow smartScan("VPTSmartScan");
  bench::OwnedWindow scheduler("VPTSchedule");

  const bench::RunResult result = RunUninstaller();
  bench::PumpMessagesFor(100);

  EXPECT_EQ(result.exitCode, 0u);
  struct Expected {
    const bench::OwnedWindow& window;
    const char* message;
    WPARAM wParam;
  };
  const Expected expected[] = {{scheduler, "VPTSchedule", 1028},
                               {smartScan, "VPTSmartScan", 1029},
                               {mainProgram, "VPTUninstall", 1027}};
  unsigned long long previous = 0;
  for (const Expected& e : expected) {
    ASSERT_EQ(e.window.messages().size(), 1u) << e.message;
    const bench::ReceivedMessage& got = e.window.messages()[0];
    EXPECT_EQ(got.message, RegisterWindowMessageA(e.message)) << e.message;
    EXPECT_EQ(got.wParam, e.wParam) << e.message;
    EXPECT_EQ(got.lParam, 0) << e.message;
    if (previous) {
      EXPECT_GT(got.time, previous) << e.message << " came out of order";
      EXPECT_GE(got.time - previous, 450 * kMillisecond) << "no pause before " << e.message;
    }
    previous = got.time;
  }
  EXPECT_GE(result.seconds, 1.45) << "each post is followed by a pause of 500 ms";
}

TEST_F(UninstallerTest, OnlyTheWindowsThatExistAreSignalled) {
  bench::OwnedWindow mainProgram(kProduct);
  bench::OwnedWindow unrelated("VPTSchedule (log)");

  const bench::RunResult result = RunUninstaller();
  bench::PumpMessagesFor(100);

  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_EQ(mainProgram.messages().size(), 1u);
  EXPECT_EQ(mainProgram.messages()[0].message, RegisterWindowMessageA("VPTUninstall"));
  EXPECT_EQ(mainProgram.messages()[0].wParam, 1027u);
  EXPECT_TRUE(unrelated.messages().empty());
}

TEST_F(UninstallerTest, OneOfTwoWindowsWithTheSameTitleIsSignalled) {
  bench::OwnedWindow first("VPTSmartScan");
  bench::OwnedWindow second("VPTSmartScan");

  EXPECT_EQ(RunUninstaller().exitCode, 0u);
  bench::PumpMessagesFor(100);

  EXPECT_EQ(first.messages().size() + second.messages().size(), 1u);
}

// The page opens only after the running programs were signalled, and the data folder comes
// last.
TEST_F(UninstallerTest, StepsRunInTheirOrder) {
  bench::OwnedWindow mainProgram(kProduct);
  InstallPageStub("abcde.exe");
  bench::SetText(kPaltrunKey, "UninstallURL", "abcde");
  MakeDataFile("backup.dat");

  const bench::RunResult result = RunUninstaller(Answer(IDNO));
  bench::PumpMessagesFor(100);

  ASSERT_EQ(mainProgram.messages().size(), 1u);
  const std::vector<bench::StartRecord> pages = bench::ReadStartRecords(records_);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_LT(mainProgram.messages()[0].time, pages[0].created);
  EXPECT_LT(pages[0].created, result.boxes[0].seenAt);
  EXPECT_EQ(result.exitCode, 0u);
}

// ---- Data folder -------------------------------------------------------------------------

struct DataFile {
  const char* path;  // below the data folder
  DWORD attributes;
};

struct FolderCase {
  const char* what;
  std::vector<const char*> folders;
  std::vector<DataFile> files;
  bool asks;
  int answer;  // to the question, if asked
  bool deleted;
};

void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.what; }

class DataFolderTest : public UninstallerTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(DataFolderTest, AsksWhenBackupsLieOnTopAndDeletesUnlessTheAnswerIsNo) {
  const FolderCase& c = GetParam();
  for (const char* folder : c.folders) MakeDataFolder(folder);
  std::vector<DWORD> attributes;
  for (const DataFile& file : c.files) {
    MakeDataFile(file.path, file.attributes);
    attributes.push_back(GetFileAttributesA(Data(file.path).c_str()));
  }

  const bench::RunResult result = RunUninstaller(Answer(c.answer));

  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_EQ(result.boxes.size(), c.asks ? 1u : 0u);
  if (c.asks) {
    const bench::MessageBoxSeen& box = result.boxes[0];
    EXPECT_EQ(box.caption, "Confirmation");
    EXPECT_EQ(box.text, "Are you sure you wish to delete all backups?");
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(box.hasIcon);
    EXPECT_FALSE(box.hasOwner);
  }
  if (c.deleted) {
    EXPECT_FALSE(bench::FolderExists(dataFolder_));
    EXPECT_TRUE(bench::FolderExists(makerFolder_)) << "the maker's folder is never removed";
  } else {
    for (const char* folder : c.folders) EXPECT_TRUE(bench::FolderExists(Data(folder))) << folder;
    for (size_t i = 0; i < c.files.size(); ++i) {
      EXPECT_TRUE(bench::FileExists(Data(c.files[i].path))) << c.files[i].path;
      EXPECT_EQ(GetFileAttributesA(Data(c.files[i].path).c_str()), attributes[i])
          << c.files[i].path << ": a kept file keeps its attributes";
    }
  }
}

constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kLocked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

INSTANTIATE_TEST_SUITE_P(
    Folders, DataFolderTest,
    testing::Values(
        FolderCase{
            "only empty sub-folders", {"Backup", "Drivers", "Logs\\Old"}, {}, false, IDYES, true},
        FolderCase{
            "files only deeper down",
            {},
            {{"Drivers\\x64\\net.inf", 0}, {"Backup\\2024\\disk.bak", 0}, {"Logs\\scan.log", 0}},
            false,
            IDYES,
            true},
        FolderCase{"hidden file in Backup, answered No",
                   {"Drivers\\x64"},
                   {{"Backup\\disk.bak", kHidden}, {"Logs\\scan.log", 0}},
                   true,
                   IDNO,
                   false},
        FolderCase{"hidden file in Backup, answered Yes",
                   {"Drivers\\x64"},
                   {{"Backup\\disk.bak", kHidden}, {"Logs\\scan.log", 0}},
                   true,
                   IDYES,
                   true},
        FolderCase{
            "file in Drivers, answered No", {}, {{"Drivers\\net.inf", kLocked}}, true, IDNO, false},
        FolderCase{
            "file at the top, answered Yes", {"Backup"}, {{"settings.ini", 0}}, true, IDYES, true},
        FolderCase{"read-only, hidden and system files everywhere, answered Yes",
                   {},
                   {{"top.dat", kLocked},
                    {"Backup\\disk.bak", FILE_ATTRIBUTE_READONLY},
                    {"Drivers\\x64\\net.sys", kLocked},
                    {"Logs\\deep\\er\\scan.log", FILE_ATTRIBUTE_SYSTEM}},
                   true,
                   IDYES,
                   true}));

TEST_F(UninstallerTest, WithoutDataFolderNothingIsAskedOrMade) {
  bench::MakeDirectory(makerFolder_);
  const bench::RunResult result = RunUninstaller(Answer(IDYES));
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_TRUE(bench::FolderExists(makerFolder_));
}

TEST_F(UninstallerTest, FileNamedLikeTheDataFolderIsLeftAlone) {
  bench::MakeDirectory(makerFolder_);
  bench::WriteFile(dataFolder_, "not a folder");
  const bench::RunResult result = RunUninstaller(Answer(IDYES));
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_TRUE(bench::FileExists(dataFolder_));
}

// A file that another program holds open stays, with every folder on its way; the rest goes
// and nothing is reported.
TEST_F(UninstallerTest, FileHeldOpenStaysWithItsFolders) {
  MakeDataFile("Drivers\\x64\\held.sys");
  MakeDataFile("Drivers\\x64\\free.sys");
  MakeDataFile("Drivers\\x86\\free.sys");
  MakeDataFile("Logs\\scan.log");
  HANDLE held = CreateFileA(Data("Drivers\\x64\\held.sys").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const bench::RunResult result = RunUninstaller(Answer(IDYES));
  CloseHandle(held);

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_TRUE(bench::FileExists(Data("Drivers\\x64\\held.sys")));
  EXPECT_FALSE(bench::FileExists(Data("Drivers\\x64\\free.sys")));
  EXPECT_FALSE(bench::FolderExists(Data("Drivers\\x86")));
  EXPECT_FALSE(bench::FolderExists(Data("Logs")));
}

// A folder that another program holds open without sharing deletion (its current folder,
// say) cannot go, but what lies in it still does.
TEST_F(UninstallerTest, FolderHeldOpenIsEmptiedAndStays) {
  MakeDataFile("Logs\\scan.log", FILE_ATTRIBUTE_READONLY);
  MakeDataFile("Logs\\old\\scan.log");
  HANDLE held =
      CreateFileA(Data("Logs").c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const bench::RunResult result = RunUninstaller(Answer(IDYES));
  CloseHandle(held);

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_TRUE(bench::FolderExists(Data("Logs")));
  EXPECT_FALSE(bench::FileExists(Data("Logs\\scan.log")));
  EXPECT_FALSE(bench::FolderExists(Data("Logs\\old")));
}

// Links inside the data folder go, but what they name lies outside it and survives, with
// its attributes.
TEST_F(UninstallerTest, LinksAreRemovedNeverFollowed) {
  const std::string outside = folder_.Make("outside");
  folder_.Make("outside\\Backup");
  bench::WriteFile(outside + "\\Backup\\precious.bak", "keep me");
  bench::WriteFile(outside + "\\notes.txt", "keep me too");
  SetFileAttributesA((outside + "\\notes.txt").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const DWORD outsideAttributes = GetFileAttributesA((outside + "\\notes.txt").c_str());
  MakeDataFile("Backup\\disk.bak");
  MakeDataFolder("Drivers");
  bench::MakeFolderLink(Data("Drivers\\linked"), outside);
  bench::MakeFileLink(Data("notes.txt"), outside + "\\notes.txt");

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.boxes.size(), 1u);
  EXPECT_TRUE(bench::FileExists(outside + "\\Backup\\precious.bak"));
  EXPECT_TRUE(bench::FileExists(outside + "\\notes.txt"));
  EXPECT_EQ(GetFileAttributesA((outside + "\\notes.txt").c_str()), outsideAttributes);
  EXPECT_FALSE(bench::FileExists(Data("Backup\\disk.bak")));
  bench::RemoveLink(Data("Drivers\\linked"));
  bench::RemoveLink(Data("notes.txt"));
  SetFileAttributesA((outside + "\\notes.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A data folder that is itself a link holds none of the user's files: nothing is asked and
// nothing of what it names is touched, whatever lies there. The link goes where the system
// can remove it as a link (Windows); Wine opens what a link names even when asked not to, so
// there it stays, still naming the same folder.
class DataFolderLinkTest : public UninstallerTest, public testing::WithParamInterface<bool> {};

TEST_P(DataFolderLinkTest, OnlyTheLinkGoesUnasked) {
  const bool withFiles = GetParam();
  const std::string outside = folder_.Make("outside");
  const std::vector<std::string> files = {outside + "\\settings.ini",
                                          outside + "\\Backup\\disk.bak"};
  if (withFiles) {
    folder_.Make("outside\\Backup");
    for (const std::string& file : files) bench::WriteFile(file, "keep me");
  }
  bench::MakeDirectory(makerFolder_);
  bench::MakeFolderLink(dataFolder_, outside);

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty()) << "no question: none of the user's files would go";
  EXPECT_TRUE(bench::FolderExists(outside));
  for (const std::string& file : files) EXPECT_EQ(bench::FileExists(file), withFiles) << file;
  EXPECT_TRUE(bench::FolderExists(makerFolder_));
  const DWORD link = GetFileAttributesA(dataFolder_.c_str());
  if (link != INVALID_FILE_ATTRIBUTES) {
    EXPECT_TRUE(bench::RunsUnderWine()) << "on Windows the link itself goes";
    EXPECT_NE(link & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "what stays is the link";
    bench::RemoveLink(dataFolder_);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, DataFolderLinkTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& target) {
                           return target.param ? "TargetHoldsBackups" : "EmptyTarget";
                         });

// Under Wine, removing a link to an empty folder as a folder would delete that folder.
TEST_F(UninstallerTest, LinkToAnEmptyFolderLeavesThatFolder) {
  const std::string outside = folder_.Make("outside");
  MakeDataFile("Drivers\\net.inf");
  bench::MakeFolderLink(Data("Drivers\\linked"), outside);

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.boxes.size(), 1u);
  EXPECT_TRUE(bench::FolderExists(outside));
  EXPECT_FALSE(bench::FileExists(Data("Drivers\\net.inf")));
  bench::RemoveLink(Data("Drivers\\linked"));
}

// Yes means every backup, however long its path: beyond MAX_PATH the wide calls take over.
TEST_F(UninstallerTest, PathsBeyondMaxPathAreDeleted) {
  MakeDataFile("Backup\\disk.bak");
  std::wstring deep = bench::ExtendedPath(Data("Backup"));
  while (deep.size() < 580) {
    deep += L"\\level-with-a-rather-long-name-0123456789";
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring deepFile = deep + L"\\driver-backup.sys";
  bench::WriteFile(deepFile);
  SetFileAttributesW(deepFile.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.boxes.size(), 1u);
  EXPECT_GT(deepFile.size(), 600u);
  EXPECT_FALSE(bench::Exists(deepFile));
  EXPECT_FALSE(bench::FolderExists(dataFolder_));
}

// However deep the nesting, the walk neither exhausts its stack nor gives up.
TEST_F(UninstallerTest, ThousandNestedFoldersAreDeleted) {
  MakeDataFolder("Logs");
  const std::wstring deepest =
      bench::MakeFolderChain(bench::ExtendedPath(Data("Logs")), L"a", 1000);
  bench::WriteFile(deepest + L"\\scan.log");

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_FALSE(bench::FolderExists(dataFolder_));
}

// A file held open far beyond MAX_PATH stays with exactly the folders on its way; what lies
// beside and below them goes.
TEST_F(UninstallerTest, FileHeldOpenDeepInsideStaysWithOnlyItsFolders) {
  MakeDataFolder("Drivers");
  const std::wstring drivers = bench::ExtendedPath(Data("Drivers"));
  const std::wstring holder = bench::MakeFolderChain(drivers, L"d", 150);
  bench::MakeFolderChain(holder, L"d", 50);
  const std::wstring side = bench::MakeFolderChain(holder.substr(0, holder.size() - 40), L"s", 3);
  bench::WriteFile(side + L"\\free.sys");
  bench::WriteFile(holder + L"\\free.sys");
  bench::WriteFile(holder + L"\\held.sys");
  HANDLE held = CreateFileW((holder + L"\\held.sys").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  MakeDataFile("Logs\\scan.log");

  const bench::RunResult result = RunUninstaller(Answer(IDYES));
  CloseHandle(held);

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_GT(holder.size(), 300u);
  EXPECT_TRUE(bench::Exists(holder + L"\\held.sys"));
  for (std::wstring folder = holder; folder.size() >= drivers.size();
       folder.resize(folder.size() - 2))
    ASSERT_TRUE(bench::Exists(folder))
        << "a folder on the way went, " << folder.size() << " characters";
  EXPECT_FALSE(bench::Exists(holder + L"\\free.sys"));
  EXPECT_FALSE(bench::Exists(holder + L"\\d"));
  EXPECT_FALSE(bench::Exists(holder.substr(0, holder.size() - 40) + L"\\s"));
  EXPECT_FALSE(bench::FolderExists(Data("Logs")));
}

// ---- Double-byte code page (run under the ANSI code page 932) ---------------------------

class CodePage932Uninstaller : public UninstallerTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "these tests need the ANSI code page 932";
    UninstallerTest::SetUp();
  }
};

// A documents folder named "表" ends in the byte 0x5C, yet not in a backslash: the data folder
// lies below it, not beside it.
TEST_F(CodePage932Uninstaller, DocumentsFolderEndingInByte0x5C) {
  const char kShellFolders[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  char original[MAX_PATH] = {};
  DWORD size = sizeof original;
  ASSERT_EQ(
      RegGetValueA(HKEY_CURRENT_USER, kShellFolders, "Personal",
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, original, &size),
      ERROR_SUCCESS);
  const std::string documents = folder_.Make("\x95\x5C");  // "表"
  bench::SetText(kShellFolders, "Personal", documents, REG_EXPAND_SZ);
  const std::string data = documents + "\\Vintorra\\Vintorra Paltrun";
  bench::MakeDirectory(data + "\\Backup");

  const bench::RunResult result = RunUninstaller(Answer(IDYES));
  bench::SetText(kShellFolders, "Personal", original, REG_EXPAND_SZ);

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(bench::FolderExists(data));
  EXPECT_TRUE(bench::FolderExists(documents + "\\Vintorra"));
}

// Long paths reach the wide calls converted from the ANSI code page: double-byte names stay
// themselves beyond MAX_PATH.
TEST_F(CodePage932Uninstaller, DoubleByteNamesBeyondMaxPathAreDeleted) {
  std::string deep = Data("Drivers");
  bench::MakeDirectory(deep);
  while (deep.size() < 400) {
    deep += "\\\x95\x5C\x83\x5C";  // "表ソ"
    ASSERT_TRUE(CreateDirectoryW(bench::ExtendedPath(deep).c_str(), nullptr));
  }
  bench::WriteFile(bench::ExtendedPath(deep + "\\\x95\x5C.sys"));
  ASSERT_TRUE(bench::Exists(bench::ExtendedPath(deep + "\\\x95\x5C.sys")));

  const bench::RunResult result = RunUninstaller(Answer(IDYES));

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(bench::FolderExists(dataFolder_));
}

}  // namespace
