#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace {

using platform::FileKind;

constexpr std::uint32_t kFile = 0x20;    // FILE_ATTRIBUTE_ARCHIVE
constexpr std::uint32_t kFolder = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
constexpr std::uint32_t kReparse = 0x400;
constexpr std::uint32_t kOffline = 0x1000, kRecallOnOpen = 0x40000;  // cloud placeholders

struct KindCase {
  const char* what;
  std::uint32_t attributes;
  std::uint32_t tag;
  bool link;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.what; }

class LinkTest : public testing::TestWithParam<KindCase> {};

// Only a link is removed unwalked; every other reparse point is walked and deleted like any
// file or folder.
TEST_P(LinkTest, OnlyNameSurrogatesAndWineLinksAreLinks) {
  const KindCase& c = GetParam();
  for (const std::uint32_t folder : {0u, kFolder}) {
    const FileKind kind{c.attributes | folder, c.tag};
    EXPECT_EQ(kind.IsLink(), c.link) << (folder ? "folder" : "file");
    EXPECT_EQ(kind.IsPlainFolder(), folder && !c.link) << (folder ? "folder" : "file");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tags, LinkTest,
    testing::Values(KindCase{"junction", kReparse, 0xA0000003, true},
                    KindCase{"symbolic link", kReparse, 0xA000000C, true},
                    KindCase{"other name surrogate: WSL symbolic link", kReparse, 0xA000001D, true},
                    KindCase{"Unix link under Wine: attribute, tag 0", kReparse, 0, true},
                    KindCase{"cloud file", kReparse | kRecallOnOpen, 0x9000001A, false},
                    KindCase{"cloud folder placeholder", kReparse | kOffline, 0x9000601A, false},
                    KindCase{"deduplicated file", kReparse, 0x80000013, false},
                    KindCase{"WOF-compressed file", kReparse, 0x80000017, false},
                    KindCase{"app execution alias", kReparse, 0x8000001B, false},
                    KindCase{"projected file system placeholder", kReparse, 0x9000001C, false},
                    // The tag means nothing without the attribute.
                    KindCase{"no reparse attribute, stale symbolic-link tag", kFile, 0xA000000C,
                             false},
                    KindCase{"no reparse attribute", kFile, 0, false}));

TEST(FileKindTest, ReadOnlyHiddenAndSystemAreProtectionsArchiveIsNot) {
  EXPECT_FALSE((FileKind{0x20, 0}.IsProtected()));
  EXPECT_FALSE((FileKind{0x80, 0}.IsProtected()));  // FILE_ATTRIBUTE_NORMAL
  for (const std::uint32_t attribute : {0x1u, 0x2u, 0x4u})
    EXPECT_TRUE((FileKind{0x20 | attribute, 0}.IsProtected())) << attribute;
}

struct PlaceCase {
  const char* what;
  const char* folder;  // resolved, with its backslash; empty when unknown
  const char* name;
  const char* entry;  // resolved; empty when unknown
  bool lies;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.what; }

class PlaceTest : public testing::TestWithParam<PlaceCase> {};

// Where a final path cannot be read (volumes the mount manager does not know, paths longer
// than the call returns), the handle's own checks decide: nothing is skipped for it.
TEST_P(PlaceTest, FinalPathsDecideOnlyWhereBothAreKnown) {
  const PlaceCase& c = GetParam();
  EXPECT_EQ(platform::LiesWhereListed(c.folder, c.name, c.entry), c.lies);
}

INSTANTIATE_TEST_SUITE_P(
    Places, PlaceTest,
    testing::Values(
        PlaceCase{"in its place", "\\\\?\\C:\\Data\\", "a.bak", "\\\\?\\C:\\Data\\a.bak", true},
        PlaceCase{"a link seen as the file it names", "\\\\?\\C:\\Data\\", "a.bak",
                  "\\\\?\\C:\\Elsewhere\\a.bak", false},
        PlaceCase{"same name one level down", "\\\\?\\C:\\Data\\", "a.bak",
                  "\\\\?\\C:\\Data\\x\\a.bak", false},
        PlaceCase{"another drive", "\\\\?\\C:\\Data\\", "a.bak", "\\\\?\\D:\\Data\\a.bak", false},
        PlaceCase{"folder's final path unknown", "", "a.bak", "\\\\?\\C:\\Elsewhere\\a.bak", true},
        PlaceCase{"entry's final path unknown", "\\\\?\\C:\\Data\\", "a.bak", "", true},
        PlaceCase{"neither known", "", "a.bak", "", true},
        PlaceCase{"double-byte name", "\\\\?\\C:\\\x95\x5C\\", "\x95\x5C.bak",
                  "\\\\?\\C:\\\x95\x5C\\\x95\x5C.bak", true}));

}  // namespace
