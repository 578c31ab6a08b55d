// The QLogic component: inventory, catalogue matching, flash command and exit codes, version text.
#include "components/qlogic/component.h"

#include <gtest/gtest.h>

#include "support/shell_quote.h"
#include "testing/test_support.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::string standin() { return std::string(FCUPDATE_SOURCE_DIR) + "/testing/standins/qlafwupdate"; }

// A working directory with the stand-in engine and a system root, and a
// component whose adapters and catalogue the test fills in.
struct Site {
  TempDir work;
  TempDir root;
  testsupport::ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  testsupport::ScopedChdir cd{work.path()};
  QLogicComp::CComponent component;

  Site() {
    (void)std::system(("cp " + shellQuote(standin()) + " " + shellQuote(work / "qlafwupdate")).c_str());
    component.log.quiet = true;
  }
  void adapter(const char* pciId, const char* subsystemId, const char* portWwn) {
    auto record = std::make_unique<FcAdapterRecord>();
    copyField(record->pciId, pciId);
    copyField(record->subsystemId, subsystemId);
    copyField(record->portWwn, portWwn);
    component.adapters.append(std::move(record));
  }
  void entry(const wchar_t* id, const wchar_t* boot) {
    ReferenceDevice device;
    device.device_id = id;
    device.model = L"QLE-" + std::wstring(id);
    device.boot = boot;
    device.duration = L"90";
    component.catalogue.devices.push_back(device);
  }
  std::string log() const { return readFile(root / "var/vlx/Component.log"); }
};

const char* kPortA = "21:00:00:E0:8B:00:00:0A";
const char* kPortB = "21:00:00:E0:8B:00:00:0B";

std::string block(int number, const char* image, const char* port) {
  return "HBA Instance: " + std::to_string(number) + "\nFlash Image Version: " + image +
         "\nPort Name: " + port + "\nModel: x\n\n";
}

}  // namespace

TEST(QLogicInventory, OneMultibootItemPerCataloguedAdapter) {
  Site b;
  b.entry(L"1077.2432.1077.0138", L"2.10");
  b.entry(L"1077.2532.1077.015c", L"3.00");
  b.entry(L"1077.5432.1077.0001", L"1.00");
  b.adapter("10772432", "10770138", kPortA);                     // older image: upgrade
  b.adapter("10772532", "1077015c", kPortB);                     // same image: rewrite
  b.adapter("10775432", "10770001", "21:00:00:E0:8B:00:00:0C");  // newer image: downgrade
  b.adapter("10dffe00", "10dffe00", "10:00:00:00:C9:00:00:01");  // not catalogued
  writeFile(b.work / "qlafwupdate.query", block(0, "2.02", "21-00-00-e0-8b-00-00-0a") +
                                              block(1, "3.00", kPortB) +
                                              block(2, "1.10", "21:00:00:e0:8b:00:00:0c"));
  b.component.buildInventory();
  ASSERT_EQ(b.component.report.devices.size(), 3u);
  const wchar_t* actions[] = {L"upgrade", L"rewrite", L"downgrade"};
  const wchar_t* installed[] = {L"2.02", L"3.00", L"1.10"};
  for (std::size_t i = 0; i < 3; ++i) {
    const DiscoveredDevice& d = b.component.report.devices[i];
    EXPECT_EQ(d.device_id, b.component.catalogue.devices[i].device_id);
    EXPECT_EQ(d.product_id, b.component.catalogue.devices[i].model);
    EXPECT_EQ(d.busnumber, L"");
    EXPECT_EQ(d.funcnumber, L"");
    ASSERT_EQ(d.fw_items.size(), 1u);
    const FirmwareItem& item = d.fw_items[0];
    EXPECT_EQ(item.type, L"Multiboot Image");
    EXPECT_EQ(item.firmware_id, L"");
    EXPECT_EQ(item.version, b.component.catalogue.devices[i].boot);
    EXPECT_EQ(item.active_version, installed[i]);
    EXPECT_EQ(item.action, actions[i]);
    EXPECT_EQ(item.duration, L"90");
    EXPECT_EQ(item.message, L"");
    EXPECT_EQ(item.shared, L"no");
  }
}

TEST(QLogicInventory, TheLastMatchingInstanceWinsWithinTheConsultedOnes) {
  Site b;
  b.entry(L"1077.2432", L"2.10");
  b.adapter("10772432", "N/A", kPortA);
  writeFile(b.work / "qlafwupdate.query", block(0, "1.00", kPortA) + block(1, "2.00", kPortA) +
                                              "HBA Instance: 2\nFlash Image: 9.00\nPort Name: " + kPortA +
                                              "\n");
  b.component.buildInventory();
  ASSERT_EQ(b.component.report.devices.size(), 1u);
  // 13 lines: instances 0 and 1 are consulted, instance 2 is not.
  EXPECT_EQ(b.component.report.devices[0].fw_items[0].active_version, L"2.00");
}

TEST(QLogicInventory, MissingEngineGivesEmptyVersionsAndUpgrades) {
  Site b;
  (void)std::remove((b.work / "qlafwupdate").c_str());
  b.entry(L"1077.2432", L"2.10");
  b.adapter("10772432", "N/A", kPortA);
  testing::internal::CaptureStderr();
  b.component.buildInventory();
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(b.component.report.devices.size(), 1u);
  EXPECT_EQ(b.component.report.devices[0].fw_items[0].active_version, L"");
  EXPECT_EQ(b.component.report.devices[0].fw_items[0].action, L"upgrade");
}

TEST(QLogicInventory, AnAdapterWithoutPortIsNotMatchedToAnUnnamedInstance) {
  Site b;
  b.entry(L"1077.2432", L"2.10");
  b.adapter("10772432", "N/A", "");
  writeFile(b.work / "qlafwupdate.query", "HBA Instance: 0\nFlash Image: 2.10\nA\nB\nC\n");
  b.component.buildInventory();
  ASSERT_EQ(b.component.report.devices.size(), 1u);
  EXPECT_EQ(b.component.report.devices[0].fw_items[0].active_version, L"");
}

TEST(QLogicCatalogue, ExactThenSubstringMatching) {
  Site b;
  b.entry(L"1077.2432.1077.0138", L"1");
  b.entry(L"1077.abcd.1077.015c", L"1");
  b.entry(L"1077.ABCD", L"1");
  EXPECT_EQ(b.component.findCatalogueIndex(L"1077.ABCD"), 2);  // exact beats an earlier substring
  EXPECT_EQ(b.component.findCatalogueIndex(L"1077.abcd.1077.015C"), 1);
  EXPECT_EQ(b.component.findCatalogueIndex(L"1077.2432"), 0);
  EXPECT_EQ(b.component.findCatalogueIndex(L"abcd.1077"), 1);
  EXPECT_EQ(b.component.findCatalogueIndex(L""), 0);
  EXPECT_EQ(b.component.findCatalogueIndex(L"10df.fe00"), -1);
}

TEST(QLogicFlash, LoggedCommandAndArguments) {
  struct Case {
    bool silent, force;
    const char* logged;
    const char* args;
  } cases[] = {
      {false, false, "./qlafwupdate", ""},
      {true, false, "./qlafwupdate /s", "/s"},
      {false, true, "./qlafwupdate /f", "/f"},
      {true, true, "./qlafwupdate /s /f", "/s /f"},
  };
  for (const Case& c : cases) {
    Site b;
    b.component.options.silent = c.silent;
    b.component.options.force = c.force;
    EXPECT_EQ(b.component.flash(), 1);
    EXPECT_EQ(b.log(), std::string("Executing flash engine: ") + c.logged +
                           "\nqlafwupdate: flashing adapters\nqlafwupdate: progress on stderr\n"
                           "Flash Engine exit code: 0\n");
    EXPECT_EQ(readFile(b.work / "qlafwupdate.calls"), std::string(c.args) + "\n");
  }
}

TEST(QLogicFlash, ExitCodeTable) {
  const int engine[] = {0, 1, 2, 5, 10, 11, 12, 13, 14, 15, 16, 17, 18, 200, 255};
  const int component[] = {1, 3, 7, 7, 7, 11, 12, 13, 7, 15, 7, 7, 18, 200, 255};
  for (std::size_t i = 0; i < std::size(engine); ++i) {
    EXPECT_EQ(QLogicComp::exitCodeForEngine(engine[i]), component[i]) << engine[i];
  }
  for (int code : {5, 12, 15, 200}) {
    Site b;
    writeFile(b.work / "qlafwupdate.exit", std::to_string(code));
    EXPECT_EQ(b.component.flash(), QLogicComp::exitCodeForEngine(code)) << code;
    EXPECT_NE(b.log().find("Flash Engine exit code: " + std::to_string(code) + "\n"), std::string::npos);
  }
}

TEST(QLogicFlash, MissingEnginePassesTheShellStatusThrough) {
  Site b;
  (void)std::remove((b.work / "qlafwupdate").c_str());
  EXPECT_EQ(b.component.flash(), 127);
  EXPECT_NE(b.log().find("Flash Engine exit code: 127\n"), std::string::npos);
}

TEST(QLogicFlash, AShellEndedByASignalIsAFailureNotASuccess) {
  Site b;
  writeFile(b.work / "qlafwupdate.exit", "signal TERM");
  EXPECT_EQ(b.component.flash(), 7);
  EXPECT_NE(b.log().find("Flash Engine exit code: 143\n"), std::string::npos) << b.log();
}

TEST(QLogicVersionText, CutAtSpaceThenDropTheMarker) {
  Site b;
  EXPECT_EQ(b.component.cleanVersionText(L"v.2.10 (build 5)"), L"2.10");
  EXPECT_EQ(b.component.cleanVersionText(L"2.10v.1"), L"2.101");
  EXPECT_EQ(b.component.cleanVersionText(L" v.1"), L"");
  EXPECT_EQ(b.component.cleanVersionText(L""), L"");
}

// The query and the flash engine are kept for the run: how each ended, and
// for the query how much it printed.
TEST(QLogicFacts, TheQueryAndTheEngineAreRecorded) {
  Site b;
  b.entry(L"1077.2432", L"2.10");
  b.adapter("10772432", "N/A", kPortA);
  writeFile(b.work / "qlafwupdate.query", block(0, "2.02", kPortA));
  b.component.buildInventory();
  ASSERT_EQ(b.component.facts.commands.kept.size(), 1u);
  const CommandRecord& query = b.component.facts.commands.kept[0];
  EXPECT_EQ(query.text, "./qlafwupdate /q");
  EXPECT_TRUE(query.started);
  EXPECT_EQ(query.status.exitCode, 0);
  EXPECT_EQ(query.outputBytes, block(0, "2.02", kPortA).size());
  EXPECT_FALSE(query.cutAtBound);
  EXPECT_EQ(b.component.facts.engine.text, "");

  writeFile(b.work / "qlafwupdate.exit", "9");
  EXPECT_EQ(b.component.flash(), 7);
  const CommandRecord& engine = b.component.facts.engine;
  const std::string log = shellQuote(b.root / "var/vlx/Component.log");
  EXPECT_EQ(engine.text, "./qlafwupdate 1>> " + log + " 2>> " + log + " 3>> " + log);
  EXPECT_TRUE(engine.started);
  EXPECT_EQ(engine.status.exitCode, 9);
  EXPECT_EQ(engine.status.signalNumber(), 0);
}

// A query that fails parses as one that printed nothing, and its status is
// kept beside it.
TEST(QLogicFacts, AFailingQueryKeepsItsStatus) {
  Site b;
  writeFile(b.work / "qlafwupdate", "#!/bin/sh\necho 'HBA Instance: 0'\nexit 4\n");
  b.entry(L"1077.2432", L"2.10");
  b.adapter("10772432", "N/A", kPortA);
  b.component.buildInventory();
  ASSERT_EQ(b.component.report.devices.size(), 1u);
  EXPECT_EQ(b.component.report.devices[0].fw_items[0].active_version, L"");
  ASSERT_EQ(b.component.facts.commands.kept.size(), 1u);
  EXPECT_EQ(b.component.facts.commands.kept[0].status.exitCode, 4);
  EXPECT_EQ(b.component.facts.commands.kept[0].outputBytes, 16u);
}
