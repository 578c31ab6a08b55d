// Loading the reference catalogue: fields, paths, the bios flag, root handling, entities.
#include "framework/catalogue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_support.h"

using testsupport::TempDir;

namespace {

struct Loaded {
  bool ok;
  ReferenceCatalogue catalogue;
  CatalogueFacts facts;
};

Loaded load(const std::string& xml) {
  TempDir dir;
  testsupport::writeFile(dir / "reference.xml", xml);
  testsupport::ScopedChdir cd(dir.path());
  Loaded result;
  result.ok = loadReferenceCatalogue(result.catalogue, result.facts);
  return result;
}

const char* kFull = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <discovery_app_path><![CDATA[./qlafwupdate]]></discovery_app_path>
  <installer_app_path><![CDATA[./install.sh]]></installer_app_path>
  <devices>
    <device>
      <type value="Fibre Channel"/>
      <device_id value="1077.2432.1077.0138"/>
      <model value="QLE2460"/>
      <firmware value="5.03.02"/>
      <bios value="2.02"/>
      <boot value="2.10"/>
      <duration value="120"/>
    </device>
    <device><device_id value="1077.2532"/></device>
  </devices>
</maplu_fchba_reference>
)";

}  // namespace

TEST(Catalogue, ReadsEveryFieldInDocumentOrder) {
  Loaded r = load(kFull);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.catalogue.discoveryAppPath, L"./qlafwupdate");
  EXPECT_EQ(r.catalogue.installerAppPath, L"./install.sh");
  ASSERT_EQ(r.catalogue.devices.size(), 2u);
  const ReferenceDevice& d = r.catalogue.devices[0];
  EXPECT_EQ(d.type, L"Fibre Channel");
  EXPECT_EQ(d.device_id, L"1077.2432.1077.0138");
  EXPECT_EQ(d.model, L"QLE2460");
  EXPECT_EQ(d.firmware, L"5.03.02");
  EXPECT_EQ(d.bios, L"2.02");
  EXPECT_EQ(d.boot, L"2.10");
  EXPECT_EQ(d.duration, L"120");
  EXPECT_EQ(d.biosFlag, 2);
  EXPECT_EQ(r.catalogue.devices[1].device_id, L"1077.2532");
  EXPECT_EQ(r.catalogue.devices[1].model, L"");
  EXPECT_EQ(r.catalogue.devices[1].biosFlag, 2);
}

TEST(Catalogue, MissingOrMalformedFileFails) {
  TempDir dir;
  testsupport::ScopedChdir cd(dir.path());
  ReferenceCatalogue catalogue;
  CatalogueFacts facts;
  EXPECT_FALSE(loadReferenceCatalogue(catalogue, facts));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(load("<maplu_fchba_reference><devices>").ok);
  EXPECT_FALSE(load("").ok);
  testing::internal::GetCapturedStderr();
}

TEST(Catalogue, PathsCountOnlyAsALeadingCdataSection) {
  struct Case {
    const char* body;
    const wchar_t* expected;
  } cases[] = {
      {"<discovery_app_path><![CDATA[a b]]></discovery_app_path>", L"a b"},
      {"<discovery_app_path>plain</discovery_app_path>", L""},
      {"<discovery_app_path> <![CDATA[x]]></discovery_app_path>", L""},
      {"<discovery_app_path/>", L""},
      {"<Discovery_App_Path><![CDATA[x]]></Discovery_App_Path>", L""},
  };
  for (const Case& c : cases) {
    Loaded r = load(std::string("<maplu_fchba_reference>") + c.body + "</maplu_fchba_reference>");
    ASSERT_TRUE(r.ok) << c.body;
    EXPECT_EQ(r.catalogue.discoveryAppPath, c.expected) << c.body;
  }
}

TEST(Catalogue, BiosFlagFollowsTheBiosElement) {
  Loaded r = load(
      "<maplu_fchba_reference><devices>"
      "<device><bios value=\"\"/></device>"
      "<device><boot value=\"1\"/></device>"
      "<device><bios value=\"\"/><bios value=\"3.1\"/></device>"
      "<device><bios/></device>"
      "</devices></maplu_fchba_reference>");
  ASSERT_EQ(r.catalogue.devices.size(), 4u);
  EXPECT_EQ(r.catalogue.devices[0].biosFlag, 0);
  EXPECT_EQ(r.catalogue.devices[1].biosFlag, 2);
  EXPECT_EQ(r.catalogue.devices[1].bios, L"");
  EXPECT_EQ(r.catalogue.devices[2].biosFlag, 0);  // a later value does not restore it
  EXPECT_EQ(r.catalogue.devices[2].bios, L"3.1");
  EXPECT_EQ(r.catalogue.devices[3].biosFlag, 0);  // no value attribute reads as empty
}

TEST(Catalogue, RepeatedDevicesListsAppendInOrder) {
  Loaded r = load(
      "<maplu_fchba_reference>"
      "<devices><device><model value=\"A\"/></device></devices>"
      "<other><devices><device><model value=\"nested\"/></device></devices></other>"
      "<devices><device><model value=\"B\"/></device><Device><model value=\"C\"/></Device></devices>"
      "</maplu_fchba_reference>");
  ASSERT_EQ(r.catalogue.devices.size(), 2u);
  EXPECT_EQ(r.catalogue.devices[0].model, L"A");
  EXPECT_EQ(r.catalogue.devices[1].model, L"B");
}

TEST(Catalogue, RootHandling) {
  Loaded empty = load("<maplu_fchba_reference/>");
  EXPECT_TRUE(empty.ok);
  EXPECT_TRUE(empty.catalogue.devices.empty());

  Loaded devicesRoot = load("<devices><device><model value=\"D\"/></device></devices>");
  EXPECT_TRUE(devicesRoot.ok);
  ASSERT_EQ(devicesRoot.catalogue.devices.size(), 1u);
  EXPECT_EQ(devicesRoot.catalogue.devices[0].model, L"D");

  Loaded other = load("<catalogue><devices><device/></devices></catalogue>");
  EXPECT_TRUE(other.ok);
  EXPECT_TRUE(other.catalogue.devices.empty());
}

TEST(Catalogue, AttributeTextsAreWidenedByteByByte) {
  Loaded r = load(
      "<maplu_fchba_reference><devices><device>"
      "<model value=\"caf\xc3\xa9 &amp; co\"/>"
      "</device></devices></maplu_fchba_reference>");
  ASSERT_EQ(r.catalogue.devices.size(), 1u);
  std::wstring expected = L"caf";
  expected += static_cast<wchar_t>(static_cast<signed char>('\xc3'));
  expected += static_cast<wchar_t>(static_cast<signed char>('\xa9'));
  expected += L" & co";
  EXPECT_EQ(r.catalogue.devices[0].model, expected);
}

TEST(Catalogue, ExternalEntitiesAreNeitherFetchedNorExpanded) {
  TempDir secret;
  testsupport::writeFile(secret / "secret.txt", "TOPSECRET");
  Loaded r = load(
      "<?xml version=\"1.0\"?>\n<!DOCTYPE maplu_fchba_reference [\n"
      "<!ENTITY leak SYSTEM \"file://" +
      secret.path() +
      "/secret.txt\">\n"
      "<!ENTITY inner \"expanded\">\n]>\n"
      "<maplu_fchba_reference><devices><device>"
      "<model value=\"&inner;\"/><type value=\"x\"/></device></devices>"
      "<discovery_app_path>&leak;</discovery_app_path>"
      "</maplu_fchba_reference>");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.catalogue.discoveryAppPath, L"");
  ASSERT_EQ(r.catalogue.devices.size(), 1u);
  EXPECT_EQ(r.catalogue.devices[0].model.find(L"TOPSECRET"), std::wstring::npos);
  EXPECT_EQ(r.catalogue.devices[0].type, L"x");
}

// What loading found, whichever way it ended; the parser's own message for a
// document that is not well-formed, and nothing new on the console.
TEST(CatalogueFacts, EachWayALoadEnds) {
  struct Case {
    const char* xml;  // null: no file at all
    bool loaded;
    std::size_t entries;
    std::string error;
  } cases[] = {
      {kFull, true, 2, ""},
      {nullptr, false, 0, "missing"},
      {"<maplu_fchba_reference/>", true, 0, "no devices"},
      {"<other/>", true, 0, "no devices"},
      {"<maplu_fchba_reference>\n<devices>\n</device>\n", false, 0,
       "not well-formed: line 3: Opening and ending tag mismatch: devices line 2 and device"},
      {"", false, 0, "not well-formed: the file is empty"},
      {"<a>\xff</a>", false, 0,
       "not well-formed: line 1: Input is not proper UTF-8, indicate encoding ! Bytes: 0xFF 0x3C 0x2F 0x61"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    if (c.xml != nullptr) testsupport::writeFile(dir / "reference.xml", c.xml);
    testsupport::ScopedChdir cd(dir.path());
    ReferenceCatalogue catalogue;
    CatalogueFacts facts;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadReferenceCatalogue(catalogue, facts), c.loaded) << c.error;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(facts.loaded, c.loaded) << c.error;
    EXPECT_EQ(facts.entries, c.entries) << c.error;
    EXPECT_EQ(facts.error, c.error);
    if (c.xml == nullptr) {
      EXPECT_EQ(facts.bytes, 0u);
      EXPECT_EQ(facts.mtime, 0);
      continue;
    }
    struct stat info;
    ASSERT_EQ(stat("reference.xml", &info), 0);
    EXPECT_EQ(facts.bytes, std::string(c.xml).size()) << c.error;
    EXPECT_EQ(facts.mtime, static_cast<long long>(info.st_mtime)) << c.error;
  }
}

TEST(CatalogueFacts, OverTheBoundAndUnreadable) {
  TempDir dir;
  testsupport::ScopedChdir cd(dir.path());
  ReferenceCatalogue catalogue;
  CatalogueFacts facts;
  testsupport::makeDirs(dir / "reference.xml");
  EXPECT_FALSE(loadReferenceCatalogue(catalogue, facts));
  EXPECT_EQ(facts.error, "cannot be read: Is a directory");
  ASSERT_EQ(rmdir((dir / "reference.xml").c_str()), 0);
  testsupport::writeFile(dir / "reference.xml", std::string((16 << 20) + 1, ' '));
  EXPECT_FALSE(loadReferenceCatalogue(catalogue, facts));
  EXPECT_EQ(facts.error, "over the bound of 16 MB");
  EXPECT_FALSE(facts.loaded);
  // A name of a megabyte in the parser's message is not kept whole.
  const std::string name(1 << 20, 'n');
  testsupport::writeFile(dir / "reference.xml", "<" + name + "></other>");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(loadReferenceCatalogue(catalogue, facts));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(facts.error.rfind("not well-formed: line 1: ", 0), 0u) << facts.error.substr(0, 100);
  EXPECT_LE(facts.error.size(), 600u);
}
