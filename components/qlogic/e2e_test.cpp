// Whole runs of fcupdate against a simulated server: discovery through the
// simulated QLogic library, the inventory from the stand-in flash engine.
#include <gtest/gtest.h>

#include "support/shell_quote.h"
#include "testing/sandbox.h"

using testsupport::readFile;
using testsupport::Sandbox;
using testsupport::simAdapter;
using testsupport::Vendor;
using testsupport::writeFile;

namespace {

const char kReference[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device><type value="QLogic Fibre Channel"/><device_id value="1077.2532.1077.015d"/>
      <model value="QLE2562"/><boot value="3.10"/><duration value="120"/></device>
    <device><type value="other"/><device_id value="1077.2432.1077.0138"/>
      <model value="QLE2460"/><boot value="2.02"/><duration value="90"/></device>
    <device><type value="other"/><device_id value="1077.2031.1077.0242"/>
      <model value="QLE2672"/><boot value="1.00"/><duration value="60"/></device>
  </devices>
</maplu_fchba_reference>
)";

std::string block(int instance, const char* image, const char* port) {
  return "HBA Instance: " + std::to_string(instance) + "\nFlash Image Version: " + image +
         "\nPort Name: " + port + "\nSerial: SIM\n\n";
}

// Three catalogued QLogic adapters (older, same and newer multiboot image
// than the catalogue) and one adapter the catalogue does not know.
struct QLogicServer {
  Sandbox box;

  explicit QLogicServer(const std::string& reference = kReference) {
    box.add(simAdapter(Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d", {"21:00:00:1b:32:00:00:01"}));
    box.add(simAdapter(Vendor::QLogic, "0000:06:00.0", "1077:2432:1077:0138", {"21:00:00:1b:32:00:00:02"}));
    box.add(simAdapter(Vendor::QLogic, "0000:07:00.0", "1077:2031:1077:0242", {"21:00:00:1b:32:00:00:03"}));
    box.add(simAdapter(Vendor::QLogic, "0000:08:00.0", "1077:8001:1077:0001", {"21:00:00:1b:32:00:00:04"}));
    box.setReference(reference);
    box.build();
    const std::string engine = std::string(FCUPDATE_SOURCE_DIR) + "/testing/standins/qlafwupdate";
    (void)std::system(("cp " + shellQuote(engine) + " " + shellQuote(box.work() + "/qlafwupdate")).c_str());
    query(block(0, "3.00", "21-00-00-1b-32-00-00-01") + block(1, "2.02", "21:00:00:1B:32:00:00:02") +
          block(2, "1.10", "21:00:00:1b:32:00:00:03") + block(3, "9.99", "21:00:00:1B:32:00:00:04"));
  }
  void query(const std::string& report) const { writeFile(box.work() + "/qlafwupdate.query", report); }
  void engineExit(const std::string& outcome) const { writeFile(box.work() + "/qlafwupdate.exit", outcome); }
  std::string calls() const { return readFile(box.work() + "/qlafwupdate.calls"); }
  std::string log() const { return readFile(box.root() + "/var/vlx/Component.log"); }
};

const std::string kStart =
    "---------------------------------------------------\n"
    "Loading references...done.\n"
    "Performing discovery...\n";

std::vector<std::string> item(const std::string& id, const std::string& model, const std::string& version,
                              const std::string& active, const std::string& action,
                              const std::string& duration) {
  const std::string d = "/tarvo_rom_discovery/devices/device";
  return {d,
          d + "/device_id value=" + id,
          d + "/product_id value=" + model,
          d + "/busnumber value=",
          d + "/funcnumber value=",
          d + "/fw_item",
          d + "/fw_item/type value=Multiboot Image",
          d + "/fw_item/firmware_id value=",
          d + "/fw_item/version value=" + version,
          d + "/fw_item/active_version value=" + active,
          d + "/fw_item/action value=" + action,
          d + "/fw_item/duration value=" + duration,
          d + "/fw_item/message value=",
          d + "/fw_item/shared value=no"};
}

}  // namespace

TEST(QLogicRun, ReportListsUpgradeRewriteAndDowngrade) {
  QLogicServer server;
  testsupport::RunResult r = server.box.run("fcupdate", "/d report.xml");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, kStart + "Generating self-discovery XML...done.\n");
  std::vector<std::string> expected = {
      "/tarvo_rom_discovery version=2.0.0.0",     "/tarvo_rom_discovery/type value=QLogic Fibre Channel",
      "/tarvo_rom_discovery/alt_name value=",     "/tarvo_rom_discovery/version value=",
      "/tarvo_rom_discovery/takes_effect value=", "/tarvo_rom_discovery/devices",
  };
  for (const auto& lines : {item("1077.2532.1077.015d", "QLE2562", "3.10", "3.00", "upgrade", "120"),
                            item("1077.2432.1077.0138", "QLE2460", "2.02", "2.02", "rewrite", "90"),
                            item("1077.2031.1077.0242", "QLE2672", "1.00", "1.10", "downgrade", "60")}) {
    expected.insert(expected.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(testsupport::xmlLines(server.box.work() + "/report.xml"), expected);
  EXPECT_EQ(server.calls(), "");  // the query is no flash
}

TEST(QLogicRun, FlashWithAnUpgradePendingRunsTheEngineOnce) {
  QLogicServer server;
  testsupport::RunResult r = server.box.run("fcupdate", "");
  EXPECT_EQ(r.exitCode, 1);
  const std::string flash =
      "Performing flash -- DO NOT INTERRUPT!\n"
      "Executing flash engine: ./qlafwupdate\n";
  const std::string done = "Flash Engine exit code: 0\nFlash complete [1]\n";
  EXPECT_EQ(r.out, kStart + flash + done);
  EXPECT_EQ(server.log(),
            kStart + flash + "qlafwupdate: flashing adapters\nqlafwupdate: progress on stderr\n" + done);
  EXPECT_EQ(server.calls(), "\n");
}

TEST(QLogicRun, SilentRunKeepsTheConsoleEmptyAndTellsTheEngine) {
  QLogicServer server;
  testsupport::RunResult r = server.box.run("fcupdate", "/s");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(server.log().find("Executing flash engine: ./qlafwupdate /s\n"), std::string::npos);
  EXPECT_NE(server.log().find("Flash complete [1]\n"), std::string::npos);
  EXPECT_EQ(server.calls(), "/s\n");
}

TEST(QLogicRun, OnlyRewritesNeedForce) {
  QLogicServer server;
  server.query(block(0, "3.10", "21:00:00:1B:32:00:00:01") + block(1, "2.02", "21:00:00:1B:32:00:00:02") +
               block(2, "1.00", "21:00:00:1B:32:00:00:03"));
  testsupport::RunResult plain = server.box.run("fcupdate", "");
  EXPECT_EQ(plain.exitCode, 3);
  EXPECT_EQ(plain.out, kStart + "NOTICE : No operation was done.\n");
  EXPECT_EQ(server.calls(), "");

  server.engineExit("12");
  testsupport::RunResult forced = server.box.run("fcupdate", "/f");
  EXPECT_EQ(forced.exitCode, 12);
  EXPECT_NE(forced.out.find("Executing flash engine: ./qlafwupdate /f\n"), std::string::npos);
  EXPECT_NE(forced.out.find("Flash complete [12]\n"), std::string::npos);
  EXPECT_EQ(server.calls(), "/f\n");
}

TEST(QLogicRun, AdaptersButNoneCatalogued) {
  QLogicServer server("<maplu_fchba_reference><devices/></maplu_fchba_reference>");
  testsupport::RunResult plain = server.box.run("fcupdate", "");
  EXPECT_EQ(plain.exitCode, 3);
  EXPECT_EQ(plain.out, kStart + "NOTICE : No operation was done.\n");
  testsupport::RunResult forced = server.box.run("fcupdate", "/f");
  EXPECT_EQ(forced.exitCode, 3);
  EXPECT_EQ(forced.out, kStart + "ERROR! : No supported hardware was found.\n");
  EXPECT_EQ(server.calls(), "");
}

TEST(QLogicRun, AnInterruptedFlashIsAFailure) {
  QLogicServer server;
  server.engineExit("signal INT");
  testsupport::RunResult r = server.box.run("fcupdate", "");
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_NE(r.out.find("Flash Engine exit code: 130\nFlash complete [7]\n"), std::string::npos) << r.out;
}
