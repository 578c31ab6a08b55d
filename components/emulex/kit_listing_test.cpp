// The listing's names judged, and held against an unpacked folder.
#include "components/emulex/kit_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_support.h"

namespace EmulexComp {
namespace {

ZipEntry file(const std::string& name, std::uint32_t size) { return {name, size, false, false}; }
ZipEntry folder(const std::string& name) { return {name, 0, true, false}; }
ZipEntry link(const std::string& name) { return {name, 4, false, true}; }

TEST(KitListing, LinksAndNamesOutsideTheFolderRefuseTheKit) {
  struct Case {
    ZipEntry entry;
    std::string refusal;
  };
  const Case cases[] = {
      {file("kit/lx/elxflash.sh", 1), ""},
      {file("kit/a..b/..c", 1), ""},
      {file("./kit/x", 1), ""},
      {link("kit/lx/elxflash.sh"), "the archive lists a symlink: kit/lx/elxflash.sh"},
      {file("../kit/x", 1), "the archive lists a name outside its folder: ../kit/x"},
      {file("kit/lx/../../x", 1), "the archive lists a name outside its folder: kit/lx/../../x"},
      {folder("kit/.."), "the archive lists a name outside its folder: kit/.."},
      {file("/etc/cron.d/x", 1), "the archive lists a name outside its folder: /etc/cron.d/x"},
      {file("\\etc\\x", 1), "the archive lists a name outside its folder: \\etc\\x"},
      {file("kit\\..\\..\\x", 1), "the archive lists a name outside its folder: kit\\..\\..\\x"},
      {file("../\x1b[2J" + std::string(300, 'x'), 1),
       "the archive lists a name outside its folder: ../?[2J" + std::string(193, 'x') + "..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(listingRefusal({file("kit/readme", 1), c.entry}), c.refusal) << c.entry.name;
  }
}

// Each entry in place with its kind and size, reached through folders only.
TEST(KitListing, TheUnpackedFolderMustHoldWhatTheListingNames) {
  testsupport::TempDir dir;
  testsupport::ScopedChdir inside(dir.path());
  testsupport::makeDirs("kit/lx");
  testsupport::writeFile("kit/lx/elxflash.sh", std::string(10, 's'));
  testsupport::writeFile("elsewhere", std::string(10, 's'));
  ASSERT_EQ(symlink("lx", "kit/lxlink"), 0);
  ASSERT_EQ(symlink("../elsewhere", "kit/linked.sh"), 0);
  struct Case {
    ZipEntry entry;
    std::string mismatch;
  };
  const Case cases[] = {
      {file("kit/lx/elxflash.sh", 10), ""},
      {folder("kit/lx/"), ""},
      {file("./kit//lx/elxflash.sh", 10), ""},
      {file("kit/lx/elxflash.sh", 2310), "kit/lx/elxflash.sh has 10 bytes, not 2310"},
      {file("kit/lx/firmware.bin", 5), "kit/lx/firmware.bin is missing"},
      {file("kit/lx", 0), "kit/lx is not a regular file"},
      {folder("kit/lx/elxflash.sh/"), "kit/lx/elxflash.sh is not a folder"},
      {file("kit/lx/elxflash.sh/x", 1), "kit/lx/elxflash.sh is not a folder"},
      {file("kit/lxlink/elxflash.sh", 10), "kit/lxlink is not a folder"},
      {file("kit/linked.sh", 10), "kit/linked.sh is not a regular file"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unpackedMismatch({folder("kit/"), c.entry}), c.mismatch) << c.entry.name;
  }
  EXPECT_EQ(unpackedMismatch({}), "");
}

TEST(KitListing, TopsAreTheFirstNamesOnceEach) {
  EXPECT_EQ(
      listingTops({folder("kit/"), file("kit/lx/a", 1), file("./readme", 1), file("kit/b", 1), folder("./")}),
      (std::vector<std::string>{"kit", "readme"}));
}

}  // namespace
}  // namespace EmulexComp
