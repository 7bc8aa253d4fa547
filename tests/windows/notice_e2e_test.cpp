// The removal notice: the exact request, and an uninstall that goes on whatever the service
// does, within the time limit.
#include "notice_service.h"

#include <wininet.h>

#include <gtest/gtest.h>

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

TEST_F(OfflineNotice, SendsNoNoticeAndGoesOnAtOnce) {
  bench::NoticeService service(ServiceBehaviour::Answer200);
  bench::OwnedWindow mainProgram(kProduct);

  const bench::RunResult result = RunUninstaller();

  EXPECT_TRUE(service.Connections().empty());
  ExpectTheUninstallWentOn(result, mainProgram);
}

}  // namespace
