#include "platform/error_text.h"

#include <gtest/gtest.h>

namespace {

struct ReportCase {
  const char* kind;
  const char* module;
  std::uint32_t address;
  const char* text;
  const char* expected;
};

class ErrorReportTextTest : public testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReportTextTest, FormsTwoLinesEndedByCrLf) {
  const ReportCase& c = GetParam();
  EXPECT_EQ(platform::FormatErrorReport(c.kind, c.module, c.address, c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ErrorReportTextTest,
    testing::Values(
        ReportCase{"ERegistryException", "VCXLauncher.exe", 0x1A2B,
                   "Invalid data type for 's_SmartScan'",
                   "Exception ERegistryException in module VCXLauncher.exe at 00001A2B.\r\n"
                   "Invalid data type for 's_SmartScan'.\r\n"},
        // A text that ends in a full stop gets no second one.
        ReportCase{"ESocketError", "VPTUninstaller.exe", 0xDEADBEEF, "Winsock cannot start.",
                   "Exception ESocketError in module VPTUninstaller.exe at DEADBEEF.\r\n"
                   "Winsock cannot start.\r\n"},
        ReportCase{"ERegistryException", "VPTLauncher.exe", 0, "Failed to get data for 'a.b'",
                   "Exception ERegistryException in module VPTLauncher.exe at 00000000.\r\n"
                   "Failed to get data for 'a.b'.\r\n"},
        ReportCase{"Exception", "VPTLauncher.exe", 0x10, "",
                   "Exception Exception in module VPTLauncher.exe at 00000010.\r\n.\r\n"}));

}  // namespace
