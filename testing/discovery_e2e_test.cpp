// The built executables discovering simulated adapters in a sandbox.
#include <gtest/gtest.h>

#include "testing/adapter_text.h"
#include "testing/sandbox.h"

using testsupport::Sandbox;
using testsupport::Vendor;

namespace {

const char* kBanner =
    "---------------------------------------------------\n"
    "Loading references...done.\n"
    "Performing discovery...\n";

}  // namespace

TEST(DiscoveryEndToEnd, TwoAdaptersGiveAReportWithItsHeader) {
  Sandbox box;
  box.add(testsupport::simAdapter(Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d",
                                  {"21:00:00:1b:32:0a:0b:0c"}));
  box.add(testsupport::simAdapter(Vendor::Emulex, "0000:07:00.1", "10df:f100:10df:f100",
                                  {"10:00:00:00:c9:01:02:03"}));
  box.setRoute(Vendor::Emulex, testsupport::Route::Direct);
  // A catalogue that knows neither adapter: the report is the header alone.
  box.setReference(
      "<maplu_fchba_reference><devices><device><type value=\"Fibre Channel\"/>"
      "<device_id value=\"ffff.0000\"/></device></devices></maplu_fchba_reference>");
  box.build();
  const testsupport::RunResult run = box.run("fcupdate", "/d report.xml");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kBanner) + "Generating self-discovery XML...done.\n");
  EXPECT_EQ(testsupport::readFile(box.work() + "/report.xml"),
            "<?xml version=\"1.0\"?>\n"
            "<tarvo_rom_discovery version=\"2.0.0.0\">\n"
            "  <type value=\"Fibre Channel\"/>\n"
            "  <alt_name value=\"\"/>\n"
            "  <version value=\"\"/>\n"
            "  <takes_effect value=\"\"/>\n"
            "  <devices/>\n"
            "</tarvo_rom_discovery>\n");
  EXPECT_EQ(testsupport::readFile(box.root() + "/var/vlx/Component.log"), run.out);
}

TEST(DiscoveryEndToEnd, NoAdaptersEndsWithSevenAndNoReport) {
  Sandbox box;
  box.build();
  const testsupport::RunResult run = box.run("fcupdate", "/d report.xml");
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, std::string(kBanner) + "WARNING! : No supported adapters found.\n");
  EXPECT_FALSE(testsupport::fileExists(box.work() + "/report.xml"));
}

TEST(DiscoveryEndToEnd, AFailedAdapterIsAnnouncedOnTheConsoleOnly) {
  Sandbox box;
  testsupport::SimAdapter broken = testsupport::simAdapter(
      Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d", {"21:00:00:1b:32:0a:0b:0c"});
  broken.fail = "open";
  box.add(broken);
  box.build();
  const testsupport::RunResult run = box.run("fcupdate", "/d report.xml");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kBanner) + "MRA get returned failed status!\n" +
                         "Generating self-discovery XML...done.\n");
  EXPECT_EQ(testsupport::readFile(box.root() + "/var/vlx/Component.log"),
            std::string(kBanner) + "Generating self-discovery XML...done.\n");
}

TEST(DiscoveryEndToEnd, FcsandboxLaysOutTheSameServer) {
  testsupport::TempDir dir;
  const testsupport::RunResult made = testsupport::runIn(
      dir.path(), testsupport::binDir() +
                      "/fcsandbox root work --direct brocade "
                      "vendor=qlogic,pci=0000:05:00.0,id=1077:2532:1077:015d,wwpn=21:00:00:1b:32:0a:0b:0c "
                      "vendor=brocade,pci=0000:0a:00.0,id=1657:0013:1657:0014,wwpn=20:00:00:05:1e:01:02:03");
  ASSERT_EQ(made.exitCode, 0);
  EXPECT_TRUE(testsupport::fileExists(dir / "root/usr/lib/bfahbaapi.so"));
  EXPECT_TRUE(testsupport::fileExists(dir / "root/sys/devices/pci0000:00/0000:0a:00.0/subsystem_device"));
  const testsupport::RunResult run =
      testsupport::runIn(dir / "work", "FCUPDATE_ROOT=" + dir / "root" + " " + testsupport::binDir() +
                                           "/fcupdate /d report.xml");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_TRUE(testsupport::fileExists(dir / "work/report.xml"));

  const testsupport::RunResult bad = testsupport::runIn(
      dir.path(), testsupport::binDir() + "/fcsandbox root work vendor=hitachi 2>/dev/null");
  EXPECT_EQ(bad.exitCode, 64);
}

TEST(AdapterText, KeysOverrideTheVendorsDefaults) {
  testsupport::SimAdapter adapter;
  std::string error;
  ASSERT_TRUE(testsupport::parseAdapterText(
      "wwpn=21:00:00:00:00:00:00:01,vendor=emulex,pci=0000:07:00.1,id=10df:f100:10df:f100,"
      "wwpn=21:00:00:00:00:00:00:02,firmware=2.01,fail=open+attributes",
      adapter, error))
      << error;
  EXPECT_EQ(adapter.vendor, Vendor::Emulex);
  EXPECT_EQ(adapter.model, "LPe12002");
  EXPECT_EQ(adapter.firmwareVersion, "2.01");
  EXPECT_EQ(adapter.pci, "0000:07:00.1");
  ASSERT_EQ(adapter.ports.size(), 2u);
  EXPECT_EQ(adapter.ports[1].wwn, "21:00:00:00:00:00:00:02");
  EXPECT_EQ(adapter.fail, "open,attributes");

  for (const char* bad : {"vendor=hitachi", "colour=red", "pci"}) {
    EXPECT_FALSE(testsupport::parseAdapterText(bad, adapter, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}
