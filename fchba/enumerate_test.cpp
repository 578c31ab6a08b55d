// Discovery from the HBA API through to the adapter records, against
// simulated libraries and a sandbox sysfs.
#include "fchba/enumerate.h"

#include <gtest/gtest.h>

#include "fchba/mra.h"
#include "testing/hba_test_root.h"

using testsupport::Sandbox;
using testsupport::SimAdapter;
using testsupport::Vendor;

namespace {

struct Discovery {
  FcAdapterRecordList records;
  std::string out;
  int result = 0;
};

Discovery discover(const Sandbox& box) {
  testsupport::ScopedEnv root("FCUPDATE_ROOT", box.root());
  Discovery d;
  testing::internal::CaptureStdout();
  d.result = enumerateFcAdapters(d.records);
  d.out = testing::internal::GetCapturedStdout();
  return d;
}

SimAdapter qlogic(const std::string& pci, const std::vector<std::string>& ports) {
  return testsupport::simAdapter(Vendor::QLogic, pci, "1077:2532:1077:015d", ports);
}

// The first adapter of the box, refreshed through the HBA API.
std::unique_ptr<FcHbaAdapter> refreshed(const Sandbox& box, int& status) {
  testsupport::ScopedEnv root("FCUPDATE_ROOT", box.root());
  FcHbaMRA mra;
  return mra.firstAdapter(status);
}

}  // namespace

TEST(Enumerate, NoConfigurationGivesAnEmptyList) {
  testsupport::TempDir root;
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root.path());
  FcAdapterRecordList records;
  testing::internal::CaptureStdout();
  EXPECT_EQ(enumerateFcAdapters(records), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(records.empty());
  FcHbaMRA mra;
  EXPECT_FALSE(mra.librariesLoaded());
  EXPECT_EQ(mra.adapterCount(), 0u);
  int status = 5;
  EXPECT_EQ(mra.firstAdapter(status), nullptr);
  EXPECT_EQ(status, 0);
}

TEST(Enumerate, LibrariesWithoutAdaptersGiveAnEmptyList) {
  Sandbox box;
  box.build();
  testsupport::installSimLibrary(box.root() + "/opt/empty/libqlsdm.so", testsupport::simDescription({}));
  testsupport::writeFile(box.root() + "/etc/hba.conf", "empty " + box.root() + "/opt/empty/libqlsdm.so\n");
  Discovery d = discover(box);
  EXPECT_EQ(d.result, 1);
  EXPECT_TRUE(d.records.empty());
  EXPECT_EQ(d.out, "");
}

TEST(Enumerate, RecordsInIndexOrderEvenAfterAFailedRefresh) {
  Sandbox box;
  SimAdapter broken = qlogic("0000:04:00.0", {"21:00:00:1b:32:00:00:01"});
  broken.fail = "attributes";
  box.add(broken);
  SimAdapter good = qlogic("0000:05:00.1", {"21:00:00:1b:32:0a:0b:0c", "21:01:00:1b:32:0a:0b:0c"});
  good.driverVersion = "8.07.00.26-k";
  box.add(good);
  box.build();
  Discovery d = discover(box);
  EXPECT_EQ(d.out, "MRA get returned failed status!\n");
  ASSERT_EQ(d.records.size(), 2u);
  const FcAdapterRecord& first = d.records[0];
  EXPECT_STREQ(first.nodeWwn, "00:00:00:00:00:00:00:00");
  EXPECT_STREQ(first.portWwn, "");
  EXPECT_STREQ(first.pciId, "N/A");
  EXPECT_STREQ(first.subsystemId, "00000000");
  EXPECT_STREQ(first.model, "Undefined");
  EXPECT_STREQ(first.driverVersion, "Undefined");
  const FcAdapterRecord& second = d.records[1];
  EXPECT_STREQ(second.nodeWwn, "20:00:00:1B:32:0A:0B:0C");
  EXPECT_STREQ(second.portWwn, "21:00:00:1B:32:0A:0B:0C");
  EXPECT_STREQ(second.pciId, "10772532");
  EXPECT_STREQ(second.subsystemId, "1077015d");
  EXPECT_STREQ(second.driverVersion, "8.07.00.26-k");
  EXPECT_STREQ(second.firmwareVersion, "8.03.00");
  EXPECT_STREQ(second.optionRomVersion, "3.00");
  EXPECT_STREQ(second.model, "QLE2562");
  EXPECT_STREQ(second.spare, "");
}

TEST(Enumerate, VendorsOnBothRoutesInOneRun) {
  Sandbox box;
  box.add(qlogic("0000:05:00.0", {"21:00:00:1b:32:0a:0b:0c"}));
  box.add(testsupport::simAdapter(Vendor::Emulex, "0000:07:00.1", "10df:f100:10df:f100",
                                  {"10:00:00:00:c9:01:02:03"}));
  box.add(testsupport::simAdapter(Vendor::Brocade, "0000:0a:00.0", "1657:0013:1657:0014",
                                  {"20:00:00:05:1e:01:02:03"}));
  box.setRoute(Vendor::Emulex, testsupport::Route::Direct);
  box.setRoute(Vendor::Brocade, testsupport::Route::Direct);
  box.build();
  Discovery d = discover(box);
  EXPECT_EQ(d.out, "");
  ASSERT_EQ(d.records.size(), 3u);
  EXPECT_STREQ(d.records[0].pciId, "10772532");
  EXPECT_STREQ(d.records[1].pciId, "10dff100");
  EXPECT_STREQ(d.records[1].subsystemId, "10dff100");
  EXPECT_STREQ(d.records[2].pciId, "16570013");
  EXPECT_STREQ(d.records[2].subsystemId, "16570014");
  EXPECT_STREQ(d.records[2].portWwn, "20:00:00:05:1E:01:02:03");
  EXPECT_EQ(HbaTestRoot::calls(box.vendorLibrary(Vendor::Brocade), "VLXFC_GetAdapterAttributes2"), 1);
}

TEST(Enumerate, AdapterWithoutItsPciFunctionIsNotAvailable) {
  Sandbox box;
  SimAdapter hidden = qlogic("0000:05:00.0", {"21:00:00:1b:32:0a:0b:0c"});
  hidden.inSysfs = false;
  box.add(hidden);
  box.build();
  Discovery d = discover(box);
  ASSERT_EQ(d.records.size(), 1u);
  EXPECT_STREQ(d.records[0].pciId, "N/A");
  EXPECT_STREQ(d.records[0].subsystemId, "1077015d");
}

TEST(Enumerate, FourPortsGiveTheRecordPortZero) {
  Sandbox box;
  box.add(qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:0a", "21:00:00:00:00:00:00:0b",
                                  "21:00:00:00:00:00:00:0c", "21:00:00:00:00:00:00:0d"}));
  box.build();
  Discovery d = discover(box);
  ASSERT_EQ(d.records.size(), 1u);
  EXPECT_STREQ(d.records[0].portWwn, "21:00:00:00:00:00:00:0A");
  int status = -1;
  auto adapter = refreshed(box, status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(adapter->ports().size(), 4u);
  for (HBA_UINT32 i = 0; i < 4; ++i) EXPECT_EQ(adapter->ports()[i].portIndex(), i);
  EXPECT_EQ(adapter->ports()[3].portWwnText(), "21:00:00:00:00:00:00:0D");
}

TEST(Enumerate, FailedPortReadsAndUnsupportedCounters) {
  Sandbox box;
  SimAdapter adapter = qlogic(
      "0000:05:00.0", {"21:00:00:00:00:00:00:01", "21:00:00:00:00:00:00:02", "21:00:00:00:00:00:00:03"});
  adapter.ports[0].statistics = "100,-1,7";
  adapter.ports[1].fail = "attributes";
  adapter.ports[2].fail = "statistics";
  box.add(adapter);
  box.build();
  int status = 0;
  auto read = refreshed(box, status);
  EXPECT_EQ(status, 1);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->ports().size(), 2u);  // the unreadable port is left out
  EXPECT_EQ(read->ports()[0].statistics()[0], 100);
  EXPECT_EQ(read->ports()[0].statistics()[1], 0);  // TxFrames reported -1
  EXPECT_EQ(read->ports()[0].statistics()[2], 7);
  EXPECT_EQ(read->ports()[1].portIndex(), 2u);
  EXPECT_EQ(read->ports()[1].statistics()[0], 0);
  Discovery d = discover(box);
  EXPECT_EQ(d.out, "MRA get returned failed status!\n");
  ASSERT_EQ(d.records.size(), 1u);
  EXPECT_STREQ(d.records[0].portWwn, "21:00:00:00:00:00:00:01");
}

TEST(Enumerate, DescriptiveTextsAreNormalisedButNotTheModel) {
  Sandbox box;
  SimAdapter adapter = qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:01"});
  adapter.serialNumber = "ABC  123   ";
  adapter.model = "QLE2562   ";
  adapter.manufacturer = "QLogic  Corporation\x01";
  adapter.firmwareVersion = "8.03.00 \xff";
  adapter.optionRomVersion = "  3.00~";
  adapter.driverVersion = "8.07  ";
  box.add(adapter);
  box.build();
  int status = 0;
  auto read = refreshed(box, status);
  EXPECT_EQ(read->serialNumber(), "ABC 123");
  EXPECT_EQ(read->model(), "QLE2562   ");
  EXPECT_EQ(read->manufacturer(), "QLogic Corporation");
  EXPECT_EQ(read->firmwareVersion(), "8.03.00");
  EXPECT_EQ(read->optionRomVersion(), " 3.00");
  EXPECT_EQ(read->driverVersion(), "8.07  ");
  EXPECT_EQ(read->modelDescription(), "QLE2562 Fibre Channel adapter");
  EXPECT_EQ(read->numberOfPorts(), 1u);
  Discovery d = discover(box);
  ASSERT_EQ(d.records.size(), 1u);
  EXPECT_STREQ(d.records[0].model, "QLE2562   ");
  EXPECT_STREQ(d.records[0].firmwareVersion, "8.03.00");
}

TEST(Enumerate, FullWidthTextsWithoutTerminatorAreReadBounded) {
  Sandbox box;
  SimAdapter adapter = qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:01"});
  adapter.name = "qlogic-long-texts";
  adapter.serialNumber = std::string(64, 'S');
  adapter.manufacturer = std::string(100, 'M');
  adapter.model = std::string(300, 'L');
  adapter.driverVersion = std::string(256, 'D');
  adapter.firmwareVersion = std::string(256, 'F');
  adapter.optionRomVersion = std::string(256, 'O');
  adapter.ports[0].extra = "symbolic_name=" + std::string(256, 'P') + "\n";
  box.add(adapter);
  box.build();
  int status = 0;
  auto read = refreshed(box, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read->serialNumber(), std::string(64, 'S'));
  EXPECT_EQ(read->manufacturer(), std::string(64, 'M'));
  EXPECT_EQ(read->model(), std::string(256, 'L'));
  // The WWN right after the unterminated model description is intact.
  EXPECT_EQ(read->nodeWwnText(), "20:00:00:00:00:00:00:01");
  ASSERT_EQ(read->ports().size(), 1u);
  EXPECT_EQ(read->ports()[0].symbolicName(), std::string(256, 'P'));
  Discovery d = discover(box);
  ASSERT_EQ(d.records.size(), 1u);
  EXPECT_EQ(std::string(d.records[0].model), std::string(255, 'L'));
  EXPECT_EQ(std::string(d.records[0].driverVersion), std::string(256, 'D'));  // its field holds 511
  EXPECT_EQ(std::string(d.records[0].firmwareVersion), std::string(255, 'F'));
  EXPECT_EQ(std::string(d.records[0].optionRomVersion), std::string(255, 'O'));
}

TEST(Enumerate, APortCountBeyondAnyAdapterIsNotWalkedToTheEnd) {
  Sandbox box;
  SimAdapter adapter = qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:01"});
  adapter.extra = "ports=4294967295\n";
  box.add(adapter);
  box.build();
  int status = 0;
  auto read = refreshed(box, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read->numberOfPorts(), 4294967295u);
  EXPECT_EQ(read->ports().size(), 1u);
  EXPECT_EQ(HbaTestRoot::calls(box.registeredLibrary(Vendor::QLogic), "GetAdapterPortAttributesHandler"),
            static_cast<int>(FcHbaAdapter::kMaxPorts));
}

TEST(Enumerate, HostileLibraryManyAdaptersAndFailingNames) {
  Sandbox box;
  SimAdapter many = qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:01"});
  many.extra = "copies=300\n";
  many.fail = "name";
  box.add(many);
  box.build();
  Discovery d = discover(box);
  ASSERT_EQ(d.records.size(), 256u);
  EXPECT_STREQ(d.records[255].nodeWwn, "00:00:00:00:00:00:00:00");
  std::string expected;
  for (int i = 0; i < 256; ++i) expected += "MRA get returned failed status!\n";
  EXPECT_EQ(d.out, expected);
  EXPECT_EQ(HbaTestRoot::calls(box.registeredLibrary(Vendor::QLogic), "GetAdapterNameHandler"), 256);
}

TEST(Enumerate, ManyAdaptersAreAllRead) {
  Sandbox box;
  SimAdapter many = qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:01"});
  many.extra = "copies=300\n";
  box.add(many);
  box.build();
  Discovery d = discover(box);
  ASSERT_EQ(d.records.size(), 256u);
  EXPECT_EQ(d.out, "");
  EXPECT_STREQ(d.records[0].nodeWwn, "20:00:00:00:00:00:00:00");
  EXPECT_STREQ(d.records[255].nodeWwn, "20:00:00:00:00:00:00:FF");
  EXPECT_STREQ(d.records[255].pciId, "10772532");
}
