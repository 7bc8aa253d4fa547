// The launchers, run as built, against companion stubs placed next to a copy of them.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "bench.h"
#include "links.h"

namespace {

using Starts = std::vector<std::string>;

const char kCorrindelKey[] = "SOFTWARE\\Vintorra\\Vintorra Corrindel";
const char kPaltrunKey[] = "SOFTWARE\\Vintorra\\Vintorra Paltrun";
const char* const kCorrindelCompanions[] = {"Corrindel.exe", "VCXSchedule.exe", "VCXSmartScan.exe",
                                            "VCXGuard.exe", "VCXReminder.exe"};
const char* const kCorrindelSettings[] = {"ScanAtStartup", "s_Enable", "s_SmartScan", "SpeedGuard",
                                          "Reminder"};

class LauncherTest : public testing::Test {
 protected:
  void SetUp() override {
    bench::DeleteKeyTree("SOFTWARE\\Vintorra");
    SetEnvironmentVariableA("STUB_RECORD_DIR", records_.c_str());
  }
  void TearDown() override { bench::DeleteKeyTree("SOFTWARE\\Vintorra"); }

  void InstallLauncher(const std::string& launcher, const std::string& as = "") {
    launcherPath_ = app_ + "\\" + (as.empty() ? launcher : as);
    bench::CopyProgram(launcher, launcherPath_);
  }
  void InstallCompanion(const std::string& name, const std::string& folder = "") {
    bench::CopyProgram("companion_stub.exe", (folder.empty() ? app_ : folder) + "\\" + name);
  }
  void InstallCorrindel() {
    InstallLauncher("VCXLauncher.exe");
    for (const char* companion : kCorrindelCompanions) InstallCompanion(companion);
  }
  void InstallPaltrun() {
    InstallLauncher("VPTLauncher.exe");
    InstallCompanion("VPTSchedule.exe");
    InstallCompanion("VPTSmartScan.exe");
  }
  void SwitchOnCorrindel() {
    for (const char* setting : kCorrindelSettings) bench::SetDword(kCorrindelKey, setting, 1);
  }
  void SwitchOnPaltrun() {
    bench::SetDword(kPaltrunKey, "s_Enable", 1);
    bench::SetDword(kPaltrunKey, "s_SmartScan", 1);
  }

  // Runs the launcher from another current folder and waits until the companions it
  // started have recorded their start and ended.
  bench::RunResult RunLauncher(const std::vector<DWORD>& keepRunning = {}) {
    bench::RunResult result = bench::Run(launcherPath_, cwd_);
    bench::WaitForProgramsBelow(folder_.path(), keepRunning);
    return result;
  }
  std::vector<bench::StartRecord> Records() const { return bench::ReadStartRecords(records_); }
  Starts StartsSeen() const { return bench::Summaries(Records()); }

  bench::TestFolder folder_;
  const std::string app_ = folder_.Make("app");
  const std::string cwd_ = folder_.Make("cwd");
  const std::string records_ = folder_.Make("records");
  std::string launcherPath_;
};

// ---- Main paths ------------------------------------------------------------------------

TEST_F(LauncherTest, CorrindelStartsEveryEnabledCompanionInCatalogueOrder) {
  InstallCorrindel();
  SwitchOnCorrindel();
  bench::SetDword(kCorrindelKey, "SpeedGuard", 2);  // any value but 0 is on

  const bench::RunResult result = RunLauncher();

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(StartsSeen(),
            (Starts{"Corrindel.exe /START show=1", "VCXSchedule.exe show=8",
                    "VCXSmartScan.exe show=8", "VCXGuard.exe show=1", "VCXReminder.exe show=1"}));
  for (const bench::StartRecord& start : Records()) {
    EXPECT_EQ(start.path, app_ + "\\" + start.program);
    EXPECT_EQ(start.folder, cwd_) << start.program << " must inherit the launcher's current folder";
  }
}

TEST_F(LauncherTest, PaltrunStartsItsSchedulerAndSmartScanWithoutActivation) {
  InstallPaltrun();
  InstallCompanion("Corrindel.exe");  // another product's program is never started
  SwitchOnPaltrun();

  const bench::RunResult result = RunLauncher();

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(StartsSeen(), (Starts{"VPTSchedule.exe show=8", "VPTSmartScan.exe show=8"}));
}

TEST_F(LauncherTest, MissingSettingsKeyStartsNothing) {
  InstallCorrindel();
  const bench::RunResult result = RunLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(StartsSeen(), Starts{});
}

TEST_F(LauncherTest, MissingCompanionIsPassedOver) {
  InstallLauncher("VCXLauncher.exe");
  for (const char* companion : kCorrindelCompanions)
    if (std::string(companion) != "VCXGuard.exe") InstallCompanion(companion);
  SwitchOnCorrindel();

  EXPECT_EQ(RunLauncher().exitCode, 0u);
  EXPECT_EQ(StartsSeen(), (Starts{"Corrindel.exe /START show=1", "VCXSchedule.exe show=8",
                                  "VCXSmartScan.exe show=8", "VCXReminder.exe show=1"}));
}

TEST_F(LauncherTest, MainProgramIsStartedAgainWhileItRuns) {
  InstallCorrindel();
  bench::SetDword(kCorrindelKey, "ScanAtStartup", 1);
  bench::RunningProgram running(app_ + "\\Corrindel.exe", "--linger");
  ASSERT_EQ(bench::Summaries(bench::WaitForStartRecords(records_, 1)),
            Starts{"Corrindel.exe --linger show=none"});

  EXPECT_EQ(RunLauncher({running.processId()}).exitCode, 0u);
  EXPECT_EQ(StartsSeen(),
            (Starts{"Corrindel.exe --linger show=none", "Corrindel.exe /START show=1"}));
}

TEST_F(LauncherTest, FolderNamedLikeACompanionIsNoCompanion) {
  InstallLauncher("VPTLauncher.exe");
  InstallCompanion("VPTSchedule.exe");
  folder_.Make("app\\VPTSmartScan.exe");
  SwitchOnPaltrun();

  EXPECT_EQ(RunLauncher().exitCode, 0u);
  EXPECT_EQ(StartsSeen(), Starts{"VPTSchedule.exe show=8"});
}

TEST_F(LauncherTest, HiddenSystemAndReadOnlyCompanionFilesCount) {
  InstallPaltrun();
  SwitchOnPaltrun();
  SetFileAttributesA((app_ + "\\VPTSchedule.exe").c_str(),
                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);

  EXPECT_EQ(RunLauncher().exitCode, 0u);
  EXPECT_EQ(StartsSeen(), (Starts{"VPTSchedule.exe show=8", "VPTSmartScan.exe show=8"}));
}

// A companion counts as present whatever its timestamps, also outside the years an MS-DOS
// date can hold (1980 to 2107).
TEST_F(LauncherTest, CompanionWithAnyTimestampIsStarted) {
  InstallPaltrun();
  SwitchOnPaltrun();
  auto setYear = [](const std::string& path, WORD year) {
    SYSTEMTIME time = {year, 6, 0, 15, 12, 0, 0, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&time, &stamp);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, &stamp, &stamp, &stamp));
    CloseHandle(file);
  };
  setYear(app_ + "\\VPTSchedule.exe", 1975);
  setYear(app_ + "\\VPTSmartScan.exe", 2150);

  EXPECT_EQ(RunLauncher().exitCode, 0u);
  EXPECT_EQ(StartsSeen(), (Starts{"VPTSchedule.exe show=8", "VPTSmartScan.exe show=8"}));
}

// A launcher at the root of a drive looks in that root: its folder keeps the backslash, and
// the joined paths hold two in a row.
TEST_F(LauncherTest, LauncherAtTheRootOfADriveStartsCompanionsThere) {
  InstallPaltrun();
  SwitchOnPaltrun();
  bench::MapDrive("T:", app_);
  launcherPath_ = "T:\\VPTLauncher.exe";
  const bench::RunResult result = RunLauncher();
  // The companions run as T:\..., which the wait for programs below the test folder misses.
  const std::vector<bench::StartRecord> starts = bench::WaitForStartRecords(records_, 2);
  bench::WaitForProgramsBelow("T:");
  bench::UnmapDrive("T:");

  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(bench::Summaries(starts),
            (Starts{"VPTSchedule.exe show=8", "VPTSmartScan.exe show=8"}));
}

// ---- Running test: windows by title --------------------------------------------------------

struct WindowCase {
  bench::WindowKind kind;
  const char* title;
  Starts expected;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
  *os << (c.kind == bench::WindowKind::Visible ? "visible " : "hidden ") << c.title;
}

class LauncherWindowTest : public LauncherTest, public testing::WithParamInterface<WindowCase> {};

TEST_P(LauncherWindowTest, WindowWithTheCompanionsTitleMeansItRuns) {
  InstallPaltrun();
  SwitchOnPaltrun();
  bench::OwnedWindow window(GetParam().title, GetParam().kind);

  EXPECT_EQ(RunLauncher().exitCode, 0u);
  EXPECT_EQ(StartsSeen(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LauncherWindowTest,
    testing::Values(
        WindowCase{bench::WindowKind::Visible, "VPTSchedule", {"VPTSmartScan.exe show=8"}},
        WindowCase{bench::WindowKind::Hidden, "VPTSmartScan", {"VPTSchedule.exe show=8"}},
        // Only the exact title counts.
        WindowCase{bench::WindowKind::Hidden,
                   "VPTSchedule - Log",
                   {"VPTSchedule.exe show=8", "VPTSmartScan.exe show=8"}}));

// ---- Reading the switches ------------------------------------------------------------------

struct FlagCase {
  const char* what;
  DWORD type;
  std::string bytes;
  const char* error;  // the report's second line, or nullptr when the value reads as a flag
  bool on;
};

void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.what; }

class LauncherFlagTest : public LauncherTest, public testing::WithParamInterface<FlagCase> {};

const std::string kReportFirstLine =
    "Exception ERegistryException in module VPTLauncher\\.exe at [0-9A-F]{8}\\.\r\n";

TEST_P(LauncherFlagTest, FirstSwitchReadsAsFlagOrEndsWithTheReport) {
  const FlagCase& flag = GetParam();
  InstallPaltrun();
  bench::SetValue(kPaltrunKey, "s_Enable", flag.type, flag.bytes);
  bench::SetDword(kPaltrunKey, "s_SmartScan", 1);

  const bench::RunResult result = RunLauncher();

  if (flag.error == nullptr) {
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.boxes.empty());
    const Starts expected = flag.on ? Starts{"VPTSchedule.exe show=8", "VPTSmartScan.exe show=8"}
                                    : Starts{"VPTSmartScan.exe show=8"};
    EXPECT_EQ(StartsSeen(), expected);
    return;
  }
  EXPECT_EQ(result.exitCode, 1u);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_TRUE(std::regex_match(result.boxes[0].text,
                               std::regex(kReportFirstLine + std::string(flag.error) + "\r\n")))
      << result.boxes[0].text;
  EXPECT_EQ(StartsSeen(), Starts{}) << "later rows are not looked at";
}

INSTANTIATE_TEST_SUITE_P(
    Flags, LauncherFlagTest,
    testing::Values(
        FlagCase{"dword 1", REG_DWORD, bench::DwordBytes(1), nullptr, true},
        FlagCase{"dword 2", REG_DWORD, bench::DwordBytes(2), nullptr, true},
        FlagCase{"dword 0", REG_DWORD, bench::DwordBytes(0), nullptr, false},
        FlagCase{"dword 0x80000000", REG_DWORD, bench::DwordBytes(0x80000000), nullptr, true},
        FlagCase{"text 1", REG_SZ, std::string("1\0", 2), "Invalid data type for 's_Enable'\\.",
                 false},
        FlagCase{"empty text", REG_SZ, "", "Invalid data type for 's_Enable'\\.", false},
        FlagCase{"empty text with NUL", REG_SZ, std::string(1, '\0'),
                 "Invalid data type for 's_Enable'\\.", false},
        FlagCase{"binary of 4 bytes", REG_BINARY, bench::DwordBytes(1),
                 "Invalid data type for 's_Enable'\\.", false},
        FlagCase{"big-endian dword", REG_DWORD_BIG_ENDIAN, bench::DwordBytes(1),
                 "Invalid data type for 's_Enable'\\.", false},
        FlagCase{"text true", REG_SZ, std::string("true\0", 5),
                 "Failed to get data for 's_Enable'\\.", false},
        FlagCase{"qword", REG_QWORD, bench::DwordBytes(1) + bench::DwordBytes(0),
                 "Failed to get data for 's_Enable'\\.", false},
        FlagCase{"binary of 5 bytes", REG_BINARY, bench::DwordBytes(1) + '\0',
                 "Failed to get data for 's_Enable'\\.", false}));

TEST_F(LauncherTest, MissingValueIsOff) {
  InstallPaltrun();
  bench::SetDword(kPaltrunKey, "s_SmartScan", 1);
  EXPECT_EQ(RunLauncher().exitCode, 0u);
  EXPECT_EQ(StartsSeen(), Starts{"VPTSmartScan.exe show=8"});
}

// The third switch stored as text: the first two rows are done, then the report ends the run
// and the last two rows are never looked at.
TEST_F(LauncherTest, TextTypedThirdSwitchEndsTheRunWithTheReport) {
  InstallCorrindel();
  SwitchOnCorrindel();
  bench::SetText(kCorrindelKey, "s_SmartScan", "1");

  const bench::RunResult result = RunLauncher();

  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(StartsSeen(), (Starts{"Corrindel.exe /START show=1", "VCXSchedule.exe show=8"}));
  ASSERT_EQ(result.boxes.size(), 1u);
  const bench::MessageBoxSeen& box = result.boxes[0];
  EXPECT_EQ(box.caption, "Application Error");
  EXPECT_TRUE(std::regex_match(
      box.text, std::regex("Exception ERegistryException in module VCXLauncher\\.exe at "
                           "[0-9A-F]{8}\\.\r\nInvalid data type for 's_SmartScan'\\.\r\n")))
      << box.text;
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(box.hasIcon);
  EXPECT_FALSE(box.hasOwner);
  EXPECT_TRUE(box.programWaited) << "the launcher must stay until its report is closed";
}

// The report's address names the place of the error: both reads that fail the same way in
// the same place report the same address, and a different failure another one.
TEST_F(LauncherTest, ReportAddressIdentifiesWhereTheErrorArose) {
  InstallPaltrun();
  auto addressFor = [&](DWORD type, const std::string& bytes) {
    bench::SetValue(kPaltrunKey, "s_Enable", type, bytes);
    const bench::RunResult result = RunLauncher();
    EXPECT_EQ(result.boxes.size(), 1u);
    std::smatch match;
    const std::string text = result.boxes.empty() ? "" : result.boxes[0].text;
    return std::regex_search(text, match, std::regex(" at ([0-9A-F]{8})\\.")) ? match[1].str() : "";
  };
  const std::string invalidType = addressFor(REG_SZ, std::string("1\0", 2));
  const std::string failedRead = addressFor(REG_SZ, std::string("true\0", 5));
  EXPECT_NE(invalidType, "");
  EXPECT_NE(invalidType, failedRead);
  EXPECT_EQ(addressFor(REG_BINARY, bench::DwordBytes(7)), invalidType);
}

// ---- Double-byte code page ----------------------------------------------------------------
// These run with the system's ANSI code page 932 (Shift JIS), where "表" is the two bytes
// 0x95 0x5C: its second byte is the byte of a backslash but no separator. The bench runs
// them under that code page; on Windows they need a Japanese system locale.

class CodePage932 : public LauncherTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "these tests need the ANSI code page 932";
    LauncherTest::SetUp();
  }
  const std::string kTable = "\x95\x5C";  // "表"
};

// A launcher named "表.exe" in a folder named "表" finds its companions in that folder.
TEST_F(CodePage932, LauncherNamedWithATrailByte0x5CFindsItsFolder) {
  const std::string folder = folder_.Make("app\\" + kTable);
  launcherPath_ = folder + "\\" + kTable + ".exe";
  bench::CopyProgram("VPTLauncher.exe", launcherPath_);
  InstallCompanion("VPTSchedule.exe", folder);
  InstallCompanion("VPTSchedule.exe");  // where a cut at the wrong byte would look
  bench::SetDword(kPaltrunKey, "s_Enable", 1);

  EXPECT_EQ(RunLauncher().exitCode, 0u);
  const std::vector<bench::StartRecord> starts = Records();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].path, folder + "\\VPTSchedule.exe");
}

TEST_F(CodePage932, ReportNamesTheModuleWithItsDoubleByteName) {
  launcherPath_ = app_ + "\\" + kTable + ".exe";
  bench::CopyProgram("VPTLauncher.exe", launcherPath_);
  bench::SetText(kPaltrunKey, "s_Enable", "1");

  const bench::RunResult result = RunLauncher();
  EXPECT_EQ(result.exitCode, 1u);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text.rfind(
                "Exception ERegistryException in module " + kTable + ".exe at ", 0),
            0u)
      << result.boxes[0].text;
}

}  // namespace
