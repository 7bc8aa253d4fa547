#include "platform/ansi_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::LeadBytePredicate;

// Lead bytes of code page 932 (Shift JIS), where "表" is 0x95 0x5C and "ソ" 0x83 0x5C.
bool IsShiftJisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsSingleByte(unsigned char) { return false; }

struct PathCase {
  const char* path;
  LeadBytePredicate codePage;
  const char* expected;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << '"' << c.path << '"'; }

class FolderPartTest : public testing::TestWithParam<PathCase> {};

TEST_P(FolderPartTest, KeepsUpToTheLastSeparator) {
  EXPECT_EQ(platform::FolderPart(GetParam().path, GetParam().codePage), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderPartTest,
    testing::Values(
        PathCase{"C:\\Apps\\Vintorra\\VCXLauncher.exe", IsSingleByte, "C:\\Apps\\Vintorra"},
        // The root of a drive keeps its backslash: joined paths then hold two in a row.
        PathCase{"C:\\VCXLauncher.exe", IsSingleByte, "C:\\"},
        PathCase{"C:VCXLauncher.exe", IsSingleByte, "C:"},
        PathCase{"\\\\server\\share\\VCXLauncher.exe", IsSingleByte, "\\\\server\\share"},
        PathCase{"C:\\Apps\\\\VCXLauncher.exe", IsSingleByte, "C:\\Apps\\\\"},
        PathCase{"VCXLauncher.exe", IsSingleByte, ""},
        // A lone leading backslash is dropped: keeping it would join to "\\name", a UNC path.
        PathCase{"\\VCXLauncher.exe", IsSingleByte, ""},
        // "表" ends in the byte 0x5C, which is no separator in code page 932...
        PathCase{"C:\\\x95\x5C\\VCXLauncher.exe", IsShiftJisLeadByte, "C:\\\x95\x5C"},
        PathCase{"C:\\\x95\x5C.exe", IsShiftJisLeadByte, "C:\\"},
        PathCase{"C:\\\x83\x5C\x83\x5C\\x.exe", IsShiftJisLeadByte, "C:\\\x83\x5C\x83\x5C"},
        // ...but is one in a single-byte code page.
        PathCase{"C:\\\x95\x5C\\VCXLauncher.exe", IsSingleByte, "C:\\\x95\\\\"},
        PathCase{"C:\\\x95\x5C.exe", IsSingleByte, "C:\\\x95"},
        // A lead byte with no byte after it stands alone.
        PathCase{"C:\\Apps\\\x95", IsShiftJisLeadByte, "C:\\Apps"}));

class FileNamePartTest : public testing::TestWithParam<PathCase> {};

TEST_P(FileNamePartTest, TakesWhatFollowsTheLastSeparator) {
  EXPECT_EQ(platform::FileNamePart(GetParam().path, GetParam().codePage), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileNamePartTest,
    testing::Values(PathCase{"C:\\Apps\\VCXLauncher.exe", IsSingleByte, "VCXLauncher.exe"},
                    PathCase{"C:VCXLauncher.exe", IsSingleByte, "VCXLauncher.exe"},
                    PathCase{"VCXLauncher.exe", IsSingleByte, "VCXLauncher.exe"},
                    PathCase{"C:\\Apps\\", IsSingleByte, ""},
                    PathCase{"C:\\Apps\\\x95\x5C.exe", IsShiftJisLeadByte, "\x95\x5C.exe"},
                    PathCase{"C:\\Apps\\\x95\x5C.exe", IsSingleByte, ".exe"}));

class TrailingBackslashTest : public testing::TestWithParam<PathCase> {};

TEST_P(TrailingBackslashTest, AddsOneUnlessPresent) {
  const PathCase& c = GetParam();
  const std::string result = platform::WithTrailingBackslash(c.path, c.codePage);
  EXPECT_EQ(result, c.expected);
  EXPECT_EQ(platform::EndsWithBackslash(c.path, c.codePage), result == c.path);
  EXPECT_EQ(platform::WithTrailingBackslash(platform::WithoutTrailingBackslash(result, c.codePage),
                                            c.codePage),
            result);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TrailingBackslashTest,
    testing::Values(
        PathCase{"C:\\Users\\Ann\\Documents", IsSingleByte, "C:\\Users\\Ann\\Documents\\"},
        PathCase{"C:\\Users\\Ann\\Documents\\", IsSingleByte, "C:\\Users\\Ann\\Documents\\"},
        PathCase{"C:\\", IsSingleByte, "C:\\"}, PathCase{"", IsSingleByte, "\\"},
        // A folder named "表" ends in 0x5C, yet not in a backslash.
        PathCase{"C:\\\x95\x5C", IsShiftJisLeadByte, "C:\\\x95\x5C\\"},
        PathCase{"C:\\\x95\x5C\\", IsShiftJisLeadByte, "C:\\\x95\x5C\\"},
        PathCase{"C:\\\x95\x5C", IsSingleByte, "C:\\\x95\x5C"}));

}  // namespace
