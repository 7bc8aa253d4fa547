// The removal notice: the exact request, and an uninstall that goes on whatever the service
// does, within the time limit.
#include "notice_service.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <regex>
#include <utility>
#include <vector>

#include "uninstaller_fixture.h"

namespace {

using namespace uninstaller_tests;
using bench::ServiceBehaviour;

const char kNoticeRequest[] =
    "GET /rpc/senduninstall?partner=VintorraPaltrun&build=3.1 HTTP/1.1\r\n"
    "Content-Type: text/html\r\n"
    "Host: " VPT_NOTICE_HOST "\r\n"  // the host the programs under test were built with
    "Accept: text/html, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
    "\r\n";

bool Online() {
  DWORD kind = 0;
  return InternetGetConnectedState(&kind, 0) != FALSE;
}

class NoticeTest : public UninstallerTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Online()) << "the bench must look online (scripts/wine-bench.sh arranges it)";
    UninstallerTest::SetUp();
    MakeDataFolder("Backup");
  }
  // The steps after the notice ran: the main program was signalled and the data folder went.
  void ExpectTheUninstallWentOn(const bench::RunResult& result, const bench::OwnedWindow& window) {
    bench::PumpMessagesFor(100);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.boxes.empty());
    EXPECT_EQ(window.messages().size(), 1u);
    EXPECT_FALSE(bench::FolderExists(dataFolder_));
  }
  // Runs the uninstaller beside a service that would answer, which must receive nothing.
  bench::RunResult RunWithoutNotice() {
    bench::NoticeService service(ServiceBehaviour::Answer200);
    bench::OwnedWindow mainProgram(kProduct);
    const bench::RunResult result = RunUninstaller();
    EXPECT_TRUE(service.Connections().empty());
    ExpectTheUninstallWentOn(result, mainProgram);
    return result;
  }
};

TEST_F(NoticeTest, SendsExactlyTheNoticeBeforeTheStopSignals) {
  bench::NoticeService service(ServiceBehaviour::Answer200);
  bench::OwnedWindow mainProgram(kProduct);

  const bench::RunResult result = RunUninstaller();

  const std::vector<bench::NoticeConnection> connections = service.Connections();
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0].request, kNoticeRequest);
  ExpectTheUninstallWentOn(result, mainProgram);
  ASSERT_EQ(mainProgram.messages().size(), 1u);
  EXPECT_LT(connections[0].acceptedAt, mainProgram.messages()[0].time);
}

TEST_F(NoticeTest, RefusedConnectionChangesNothing) {
  bench::OwnedWindow mainProgram(kProduct);
  const bench::RunResult result = RunUninstaller();
  ExpectTheUninstallWentOn(result, mainProgram);
  EXPECT_LT(result.seconds, 5);
}

struct ServiceCase {
  const char* what;
  ServiceBehaviour behaviour;
  double atMostSeconds;  // for the whole uninstall, whose notice step may take 10 s at most
};

void PrintTo(const ServiceCase& c, std::ostream* os) { *os << c.what; }

class NoticeServiceTest : public NoticeTest, public testing::WithParamInterface<ServiceCase> {};

TEST_P(NoticeServiceTest, WhateverTheServiceDoesTheUninstallGoesOn) {
  bench::NoticeService service(GetParam().behaviour);
  bench::OwnedWindow mainProgram(kProduct);

  const bench::RunResult result = RunUninstaller();

  EXPECT_EQ(service.Connections().size(), 1u) << "one request, never retried";
  ExpectTheUninstallWentOn(result, mainProgram);
  EXPECT_LT(result.seconds, GetParam().atMostSeconds);
  // Nothing of the response is kept: an endless body must not grow the program.
  EXPECT_GT(result.peakMemoryBytes, 0u);
  EXPECT_LT(result.peakMemoryBytes, 64u << 20);
  std::printf("[ TIMING   ] %s: uninstall took %.2f s, at most %.1f MiB\n", GetParam().what,
              result.seconds, result.peakMemoryBytes / 1048576.0);
}

INSTANTIATE_TEST_SUITE_P(
    Services, NoticeServiceTest,
    testing::Values(ServiceCase{"200", ServiceBehaviour::Answer200, 5},
                    ServiceCase{"404", ServiceBehaviour::Answer404, 5},
                    ServiceCase{"500", ServiceBehaviour::Answer500, 5},
                    ServiceCase{"302 redirect", ServiceBehaviour::Redirect302, 5},
                    ServiceCase{"close without answer", ServiceBehaviour::CloseWithoutAnswer, 5},
                    ServiceCase{"reset", ServiceBehaviour::Reset, 5},
                    ServiceCase{"slow drip", ServiceBehaviour::SlowDrip, 15},
                    ServiceCase{"endless body", ServiceBehaviour::EndlessBody, 15},
                    ServiceCase{"accept, never answer", ServiceBehaviour::AcceptNeverAnswer, 15}));

// Run with the bench's network taken offline: Windows reports no connection.
class OfflineNotice : public NoticeTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Online()) << "this test runs with the bench offline (WINE_RUN_NETWORK=offline)";
    UninstallerTest::SetUp();
    MakeDataFolder("Backup");
  }
};

TEST_F(OfflineNotice, SendsNoNoticeAndGoesOnAtOnce) { RunWithoutNotice(); }

// A system DLL taken away from the uninstaller under Wine, by DLL overrides for that program
// alone (the driver itself needs Winsock for the service); stand-ins placed next to it take
// the place of the DLLs named "native". Elsewhere the overrides mean nothing.
struct MissingDllCase {
  const char* what;
  std::vector<std::pair<const char*, const char*>> overrides;  // DLL, "" (disabled) or "native"
  const char* report;  // the report's pattern, both lines; null when no box can be shown
};

void PrintTo(const MissingDllCase& c, std::ostream* os) { *os << c.what; }

class MissingDll : public NoticeTest, public testing::WithParamInterface<MissingDllCase> {
 protected:
  void TearDown() override {
    bench::DeleteKeyTree(kAppDefaultsKey);
    NoticeTest::TearDown();
  }
  void TakeAway(const MissingDllCase& c) {
    for (const auto& [dll, mode] : c.overrides) {
      bench::SetText(std::string(kAppDefaultsKey) + "\\DllOverrides", dll, mode);
      if (std::string(mode) == "native")
        bench::CopyProgram(std::string("stand_in_") + dll + ".dll", app_ + "\\" + dll + ".dll");
    }
  }
  static constexpr char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\VPTUninstaller.exe";
};

TEST_P(MissingDll, EndsThroughTheErrorReportAfterTheStepsBeforeTheNotice) {
  TakeAway(GetParam());
  bench::SetText(kRunKey, kProduct, "Paltrun.exe");
  bench::NoticeService service(ServiceBehaviour::Answer200);
  bench::OwnedWindow mainProgram(kProduct);

  const bench::RunResult result = RunUninstaller();

  EXPECT_EQ(result.exitCode, 1u);
  if (GetParam().report) {
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].caption, "Application Error");
    EXPECT_TRUE(std::regex_match(
        result.boxes[0].text,
        std::regex(std::string("Exception ") + GetParam().report + "\\.\r\n")))
        << result.boxes[0].text;
    EXPECT_TRUE(result.boxes[0].programWaited);
  } else {
    EXPECT_TRUE(result.boxes.empty());
  }
  EXPECT_FALSE(bench::ValueExists(kRunKey, kProduct)) << "the step before the notice ran";
  EXPECT_TRUE(service.Connections().empty());
  EXPECT_TRUE(mainProgram.messages().empty()) << "no step after the notice ran";
  EXPECT_TRUE(bench::FolderExists(dataFolder_));
}

#define REPORT_HEAD(kind) kind " in module VPTUninstaller\\.exe at [0-9A-F]{8}\\.\r\n"
INSTANTIATE_TEST_SUITE_P(
    Dlls, MissingDll,
    testing::Values(
        MissingDllCase{"Winsock disabled, online", {{"wininet", "native"}, {"ws2_32", ""}},
                       REPORT_HEAD("ESocketError") "Winsock cannot start \\(error 126\\)"},
        MissingDllCase{"Winsock without its functions",
                       {{"wininet", "native"}, {"ws2_32", "native"}},
                       REPORT_HEAD("ESocketError")
                       "Winsock has no function [A-Za-z_]+ \\(error 127\\)"},
        // Wine's wininet needs Winsock: without it, wininet is the first to fail.
        MissingDllCase{"Winsock and with it wininet disabled", {{"ws2_32", ""}},
                       REPORT_HEAD("EOSError") "wininet\\.dll cannot be loaded \\(error 126\\)"},
        // The report's own box needs user32: the run still ends, with status 1.
        MissingDllCase{"user32 disabled", {{"user32", ""}}, nullptr}));
#undef REPORT_HEAD

// The uninstaller built with a notice host that is a name, run with the bench's name lookup
// arranged by scripts/wine-run.sh.
class NamedHost : public NoticeTest {
 protected:
  void SetUp() override {
    NoticeTest::SetUp();
    bench::CopyProgram("VPTUninstallerNamedHost.exe", uninstaller_);
  }
  static std::string ExactNotice() {
    std::string request = kNoticeRequest;
    const std::string builtIn = "Host: " VPT_NOTICE_HOST;
    return request.replace(request.find(builtIn), builtIn.size(), "Host: notice.vintorra.test");
  }
};

// Run with WINE_RUN_RESOLVER=silent: the name server never answers.
class NamedHostSilentResolver : public NamedHost {};

TEST_F(NamedHostSilentResolver, TheLookupEndsWithinTheTimeToConnect) {
  const bench::RunResult result = RunWithoutNotice();
  // 5 s to have the connection, name lookup included, and the rest of the uninstall.
  EXPECT_LT(result.seconds, 7);
  std::printf("[ TIMING   ] silent name server: uninstall took %.2f s\n", result.seconds);
}

// Run with WINE_RUN_HOSTS=dead_first.hosts: the name's first address never answers (packets to
// it are dropped), its second is the service.
class NamedHostDeadFirstAddress : public NamedHost {};

TEST_F(NamedHostDeadFirstAddress, TheNextAddressGetsTheExactNotice) {
  bench::NoticeService service(ServiceBehaviour::Answer200);
  bench::OwnedWindow mainProgram(kProduct);

  const bench::RunResult result = RunUninstaller();

  const std::vector<bench::NoticeConnection> connections = service.Connections();
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0].request, ExactNotice());
  ExpectTheUninstallWentOn(result, mainProgram);
  EXPECT_LT(result.seconds, 5);
  std::printf("[ TIMING   ] dead first address: uninstall took %.2f s\n", result.seconds);
}

}  // namespace
