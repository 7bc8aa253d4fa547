#include "platform/whole_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Behaves as GetModuleFileNameA does for a module whose path has `length` characters: it
// writes what fits and returns the buffer's size when the path was cut.
struct ModuleNameCall {
  std::string path;
  int calls = 0;
  std::size_t operator()(char* buffer, std::size_t size) {
    ++calls;
    const std::size_t written = std::min(path.size(), size);
    std::memcpy(buffer, path.data(), written);
    return written == path.size() && written < size ? written : size;
  }
};

class ReadWholeTextTest : public testing::TestWithParam<std::size_t> {};

TEST_P(ReadWholeTextTest, ReadsThePathWhateverItsLength) {
  std::string path = "C:\\";
  while (path.size() < GetParam()) path += "deep\\";
  path.resize(GetParam() - 4);
  path += ".exe";
  ModuleNameCall call{path};
  EXPECT_EQ(platform::ReadWholeText(std::ref(call)), path);
}

// Around the first buffer's size, where a cut is easiest to miss, and far beyond it.
INSTANTIATE_TEST_SUITE_P(Lengths, ReadWholeTextTest,
                         testing::Values(10, 259, 260, 261, 519, 520, 700, 32767));

TEST(ReadWholeText, FailureGivesNothing) {
  EXPECT_EQ(platform::ReadWholeText([](char*, std::size_t) -> std::size_t { return 0; }),
            std::nullopt);
}

}  // namespace
