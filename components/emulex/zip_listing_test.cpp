// Reading a ZIP listing from bytes that lie, are cut short or hide a
// signature in a comment; and from a real archive made by zip.
#include "components/emulex/zip_listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "support/shell_quote.h"
#include "testing/test_support.h"

namespace EmulexComp {
namespace {

constexpr std::uint32_t kUnix = 3 << 8;
constexpr std::uint32_t kDos = 0;
constexpr std::uint32_t kFile = 0100644u << 16;
constexpr std::uint32_t kLink = 0120777u << 16;

std::string le16(std::uint32_t v) {
  return {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)};
}
std::string le32(std::uint32_t v) { return le16(v & 0xffff) + le16(v >> 16); }

struct Stored {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t madeBy = kUnix;
  std::uint32_t attributes = kFile;
};

std::string record(const Stored& e) {
  return le32(0x02014b50) + le16(e.madeBy | 20) + le16(20) + le16(0) + le16(0) + le32(0) + le32(0) +
         le32(e.size) + le32(e.size) + le16(static_cast<std::uint32_t>(e.name.size())) + le16(0) + le16(0) +
         le16(0) + le16(0) + le32(e.attributes) + le32(0) + e.name;
}

// The end record as the archive's parts give it, each field overridable.
struct End {
  std::uint32_t entries;
  std::uint32_t size;
  std::uint32_t offset;
  std::string comment;
  std::uint32_t disk = 0;
};

std::string endRecord(const End& end) {
  return le32(0x06054b50) + le16(end.disk) + le16(0) + le16(end.entries) + le16(end.entries) +
         le32(end.size) + le32(end.offset) + le16(static_cast<std::uint32_t>(end.comment.size())) +
         end.comment;
}

// Some bytes standing for the entries' data, then the directory and end.
const std::string kData = "PK\x03\x04 local headers and data";

std::string directoryOf(const std::vector<Stored>& entries) {
  std::string directory;
  for (const Stored& e : entries) directory += record(e);
  return directory;
}

std::string archiveOf(const std::vector<Stored>& entries, const std::string& comment = "") {
  const std::string directory = directoryOf(entries);
  return kData + directory +
         endRecord({static_cast<std::uint32_t>(entries.size()), static_cast<std::uint32_t>(directory.size()),
                    static_cast<std::uint32_t>(kData.size()), comment});
}

const std::vector<Stored> kKit = {
    {"kit/", 0, kUnix, 040755u << 16}, {"kit/lx/elxflash.sh", 2310}, {"kit/lx/fw.bin", 70000}};

std::string describe(const std::vector<ZipEntry>& listing) {
  std::string text;
  for (const ZipEntry& e : listing) {
    text += e.name + " " + std::to_string(e.size) + (e.directory ? " dir" : "") + (e.symlink ? " link" : "") +
            ";";
  }
  return text;
}

TEST(ZipListing, ReadsWhatTheDirectorySaysAndNothingThatLies) {
  const std::string kit = archiveOf(kKit);
  const std::string kitDirectory = directoryOf(kKit);
  const auto kitWithEnd = [&](const End& end) { return kData + kitDirectory + endRecord(end); };
  const std::uint32_t size = static_cast<std::uint32_t>(kitDirectory.size());
  const std::uint32_t offset = static_cast<std::uint32_t>(kData.size());
  const char* const kitListing = "kit/ 0 dir;kit/lx/elxflash.sh 2310;kit/lx/fw.bin 70000;";
  struct Case {
    const char* name;
    std::string archive;
    bool readable;
    std::string listing;
  };
  const Case cases[] = {
      {"kit", kit, true, kitListing},
      {"empty archive", endRecord({0, 0, 0, ""}), true, ""},
      {"nothing", "", false, ""},
      {"end record cut", kit.substr(0, kit.size() - 1), false, ""},
      {"directory cut", kit.substr(0, kData.size() + 50), false, ""},
      {"bytes after the end record", kit + "x", false, ""},
      // unzip takes the signature nearest the end too: it finds no listing
      // in the first, an empty one in the second.
      {"comment hiding an end record", archiveOf(kKit, "note " + endRecord({9, 9, 9, ""}) + " end"), false,
       ""},
      {"comment that is a whole end record", archiveOf(kKit, endRecord({0, 0, 0, ""})), true, ""},
      // Where no whole record fits, a signature is no record, for unzip too.
      {"signature in the last bytes", archiveOf(kKit, "PK\x05\x06"), true, kitListing},
      {"directory larger than the archive", kitWithEnd({3, size + 1000, offset, ""}), false, ""},
      {"directory past the end record", kitWithEnd({3, size, offset + 5, ""}), false, ""},
      {"directory shorter than its entries", kitWithEnd({3, size - 1, offset, ""}), false, ""},
      {"more entries than recorded", kitWithEnd({4, size, offset, ""}), false, ""},
      {"fewer entries than recorded", kitWithEnd({2, size, offset, ""}), false, ""},
      {"split archive", kitWithEnd({3, size, offset, "", 1}), false, ""},
      {"ZIP64 end record", kitWithEnd({3, size, 0xffffffff, ""}), false, ""},
      {"ZIP64 locator",
       kData + kitDirectory + le32(0x07064b50) + std::string(16, '\0') + endRecord({3, size, offset, ""}),
       false, ""},
      {"ZIP64 entry size", archiveOf({{"kit/big.bin", 0xffffffff}}), false, ""},
      {"symlink made on Unix", archiveOf({{"kit/lx/link", 11, kUnix, kLink}}), true, "kit/lx/link 11 link;"},
      {"link bits from DOS", archiveOf({{"kit/lx/file", 11, kDos, kLink}}), true, "kit/lx/file 11;"},
      {"names outside the folder are read as they are",
       archiveOf({{"../etc/x", 1}, {"/etc/y", 2}, {"a\\..\\b", 3}}), true, "../etc/x 1;/etc/y 2;a\\..\\b 3;"},
      {"empty name", archiveOf({{"", 1}}), false, ""},
      {"NUL in a name", archiveOf({{std::string("kit/a\0b", 7), 1}}), false, ""},
      {"longest name", archiveOf({{std::string(kMaxZipNameBytes, 'n'), 1}}), true,
       std::string(kMaxZipNameBytes, 'n') + " 1;"},
      {"name too long", archiveOf({{std::string(kMaxZipNameBytes + 1, 'n'), 1}}), false, ""},
  };
  for (const Case& c : cases) {
    std::vector<ZipEntry> listing;
    EXPECT_EQ(readZipListing(c.archive, listing), c.readable) << c.name;
    if (c.readable) {
      EXPECT_EQ(describe(listing), c.listing) << c.name;
    }
  }
}

// Cut at either end, the offsets and lengths no longer add up.
TEST(ZipListing, EveryCutOfAnArchiveIsRefusedOrReadWithinIt) {
  const std::string kit = archiveOf(kKit, "a comment");
  for (std::size_t cut = 0; cut < kit.size(); ++cut) {
    std::vector<ZipEntry> listing;
    EXPECT_FALSE(readZipListing(kit.substr(0, cut), listing)) << cut;
    EXPECT_FALSE(readZipListing(kit.substr(cut + 1), listing)) << cut;
  }
}

// What zip itself writes: folders, sizes, and a symlink stored as one (-y).
TEST(ZipListing, ReadsAnArchiveMadeByZip) {
  testsupport::TempDir dir;
  testsupport::makeDirs(dir / "kit/lx");
  testsupport::writeFile(dir / "kit/lx/elxflash.sh", std::string(2310, 's'));
  testsupport::writeFile(dir / "kit/lx/empty", "");
  ASSERT_EQ(symlink("elxflash.sh", (dir / "kit/lx/link").c_str()), 0);
  const std::string zip = "cd " + shellQuote(dir.path()) + " && zip -qry kit.zip kit -z <<'EOF'\nsigned\nEOF";
  ASSERT_EQ(std::system(zip.c_str()), 0);
  std::vector<ZipEntry> listing;
  ASSERT_TRUE(readZipListingFile(dir / "kit.zip", listing));
  std::sort(listing.begin(), listing.end(),
            [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
  EXPECT_EQ(describe(listing),
            "kit/ 0 dir;kit/lx/ 0 dir;kit/lx/elxflash.sh 2310;kit/lx/empty 0;kit/lx/link 11 link;");
  // A comment holding the end record's signature hides the listing from
  // unzip as from the component.
  const std::string hidden = "cd " + shellQuote(dir.path()) +
                             " && zip -qry hidden.zip kit -z <<'EOF'\nsigned PK\5\6 by the release team\nEOF";
  ASSERT_EQ(std::system(hidden.c_str()), 0);
  EXPECT_FALSE(readZipListingFile(dir / "hidden.zip", listing));
  EXPECT_NE(std::system(("unzip -qql " + shellQuote(dir / "hidden.zip") + " >/dev/null 2>&1").c_str()), 0);
  EXPECT_FALSE(readZipListingFile(dir / "kit", listing));
  EXPECT_FALSE(readZipListingFile(dir / "missing.zip", listing));
  EXPECT_FALSE(readZipListingFile(dir / "kit/lx/empty", listing));
}

}  // namespace
}  // namespace EmulexComp
