// Discovery from the HBA API through to the adapter records, against
// simulated libraries and a sandbox sysfs.
#include "fchba/enumerate.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "fchba/mra.h"
#include "fchba/pci_identity.h"
#include "testing/hba_test_root.h"

using testsupport::Sandbox;
using testsupport::SimAdapter;
using testsupport::Vendor;

namespace {

struct Discovery {
  FcAdapterRecordList records;
  DiscoveryFacts facts;
  CommandRecords commands;
  std::string out;
};

Discovery discover(const Sandbox& box) {
  testsupport::ScopedEnv root("FCUPDATE_ROOT", box.root());
  Discovery d;
  testing::internal::CaptureStdout();
  enumerateFcAdapters(d.records, d.facts, d.commands);
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
  DiscoveryFacts facts;
  CommandRecords commands;
  testing::internal::CaptureStdout();
  enumerateFcAdapters(records, facts, commands);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(records.empty());
  EXPECT_FALSE(facts.configurationRead);
  EXPECT_TRUE(facts.libraries.empty());
  EXPECT_TRUE(commands.kept.empty());
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

namespace {

std::vector<std::string> problemsOf(const AdapterFacts& adapter) { return adapter.problems.kept; }

}  // namespace

// Each adapter is handed up with where it came from and what the record
// leaves out, and each command the PCI lookups ran is recorded.
TEST(EnumerateFacts, AdaptersWithTheirLibraryAndLocation) {
  Sandbox box;
  SimAdapter adapter = qlogic("0000:05:00.1", {"21:00:00:1b:32:0a:0b:0c", "21:01:00:1b:32:0a:0b:0c"});
  adapter.serialNumber = "RFC0123  ";
  box.add(adapter);
  box.build();
  Discovery d = discover(box);
  const DiscoveryFacts& facts = d.facts;
  EXPECT_TRUE(facts.configurationRead);
  ASSERT_EQ(facts.libraries.size(), 1u);
  EXPECT_EQ(facts.libraries[0].name, "com.qlogic");
  EXPECT_EQ(facts.libraries[0].path, box.registeredLibrary(Vendor::QLogic));
  EXPECT_TRUE(facts.libraries[0].loaded);
  EXPECT_EQ(facts.libraries[0].error, "");
  EXPECT_EQ(facts.libraries[0].adapters, 1u);
  ASSERT_EQ(facts.adapters.size(), 1u);
  const AdapterFacts& a = facts.adapters[0];
  EXPECT_EQ(a.index, 0u);
  EXPECT_EQ(a.name, "qlogic-QLE2562-0");
  EXPECT_EQ(a.library, box.registeredLibrary(Vendor::QLogic));
  EXPECT_EQ(a.nodeWwn, d.records[0].nodeWwn);
  EXPECT_EQ(a.portWwn, "21:00:00:1B:32:0A:0B:0C");
  EXPECT_EQ(a.pciId, "10772532");
  EXPECT_EQ(a.subsystemId, "1077015d");
  EXPECT_EQ(a.model, "QLE2562");
  EXPECT_EQ(a.serialNumber, "RFC0123");
  EXPECT_EQ(a.portWwns, (std::vector<std::string>{"21:00:00:1B:32:0A:0B:0C", "21:01:00:1B:32:0A:0B:0C"}));
  EXPECT_EQ(a.pciDomain, 0u);
  EXPECT_EQ(a.pciBus, 5u);
  EXPECT_EQ(a.pciFunction, 1u);
  EXPECT_EQ(a.sysfsDevice, box.root() + "/sys/devices/pci0000:00/0000:05:00.1");
  EXPECT_TRUE(problemsOf(a).empty());
  ASSERT_EQ(d.commands.kept.size(), 3u);
  testsupport::ScopedEnv env("FCUPDATE_ROOT", box.root());
  EXPECT_EQ(d.commands.kept[1].text, pciSearchCommand(0, 5, 1));
}

// Every line of hba.conf that names a library, loaded or not, and why not:
// the loader's own text at the moment it failed, or the step that refused it.
TEST(EnumerateFacts, EachLibraryWithWhyItDidNotLoad) {
  HbaTestRoot root;
  const std::string good = root.library("lib/good.so", {namedAdapter("g0"), namedAdapter("g1")});
  const auto [noRegister, version0, refused, loadFails, noVersion, noLoad] = root.refusingLibraries();
  root.conf("good " + good + "\nmissing /no/such/library.so\nnoreg " + noRegister + "\nv0 " + version0 +
            "\nrefused " + refused + "\nloadfails " + loadFails + "\nnover " + noVersion + "\nnoload " +
            noLoad + "\nagain " + good + "\n");
  struct Expected {
    std::string name;
    bool loaded;
    std::vector<std::string> error;  // every piece appears in the error text
    unsigned adapters;
  } expected[] = {
      {"good", true, {}, 2},
      {"missing", false, {"/no/such/library.so", "cannot open shared object file"}, 0},
      {"noreg", false, {noRegister, "HBA_RegisterLibrary"}, 0},
      {"v0", false, {"GetVersionHandler returned 0"}, 0},
      {"refused", false, {"HBA_RegisterLibrary returned 1"}, 0},
      {"loadfails", false, {"LoadLibraryHandler returned 5"}, 0},
      {"nover", false, {"no GetVersionHandler registered"}, 0},
      {"noload", false, {"no LoadLibraryHandler registered"}, 0},
      {"again", false, {"the same library as an earlier line"}, 0},
  };
  FcAdapterRecordList records;
  DiscoveryFacts facts;
  CommandRecords commands;
  testing::internal::CaptureStdout();
  enumerateFcAdapters(records, facts, commands);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(records.size(), 2u);
  ASSERT_EQ(facts.libraries.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const LibraryFacts& library = facts.libraries[i];
    const Expected& e = expected[i];
    EXPECT_EQ(library.name, e.name);
    EXPECT_EQ(library.loaded, e.loaded) << e.name;
    EXPECT_EQ(library.adapters, e.adapters) << e.name;
    if (e.error.empty()) {
      EXPECT_EQ(library.error, "") << e.name;
    }
    for (const std::string& piece : e.error) {
      EXPECT_NE(library.error.find(piece), std::string::npos) << e.name << ": " << library.error;
    }
  }
  EXPECT_EQ(facts.libraries[1].path, "/no/such/library.so");
}

// Why a refresh failed: the HBA API call and its status, for the adapter
// and for each of its ports.
TEST(EnumerateFacts, RefreshFailuresNameTheCallAndItsStatus) {
  struct Case {
    const char* fail;
    std::vector<std::string> portFail;
    std::vector<std::string> problems;
  } cases[] = {
      {"attributes",
       {""},
       {"HBA_GetAdapterAttributes returned 1", "vendor extension: could not find WWNN match",
        "PCI identity N/A: no PCI function in sysfs at 0000:00:*.0 with subsystem 0000:0000"}},
      {"open",
       {""},
       {"HBA_OpenAdapter gave no handle", "vendor extension: fail to open adapter",
        "PCI identity N/A: no PCI function in sysfs at 0000:00:*.0 with subsystem 0000:0000"}},
      {"",
       {"", "attributes", "statistics"},
       {"port 1: HBA_GetAdapterPortAttributes returned 1", "port 2: HBA_GetPortStatistics returned 1"}},
  };
  for (const Case& c : cases) {
    Sandbox box;
    std::vector<std::string> wwns;
    for (std::size_t i = 0; i < c.portFail.size(); ++i)
      wwns.push_back("21:00:00:00:00:00:00:0" + std::to_string(i));
    SimAdapter adapter = qlogic("0000:05:00.0", wwns);
    adapter.fail = c.fail;
    for (std::size_t i = 0; i < c.portFail.size(); ++i) adapter.ports[i].fail = c.portFail[i];
    box.add(adapter);
    box.build();
    Discovery d = discover(box);
    EXPECT_EQ(d.out, "MRA get returned failed status!\n") << c.fail;
    ASSERT_EQ(d.facts.adapters.size(), 1u);
    EXPECT_EQ(problemsOf(d.facts.adapters[0]), c.problems) << c.fail;
  }
}

// Why the vendor extension gave no location, with the route's status text,
// on either route; the identity is then looked for at the default location.
TEST(EnumerateFacts, VendorExtensionFailuresKeepTheirStatusText) {
  struct Case {
    const char* label;
    testsupport::Route route;
    std::string variant;  // the simulated library built without an entry point
    std::string fail;     // what the adapter fails
    std::string extra;    // further adapter lines
    bool removeVendorCopy;
    std::string problem;
  } cases[] = {
      {"shared, no entry point", testsupport::Route::Shared, "VLXFC_GetAdapterAttributes2", "", "", false,
       "vendor extension: unable to dlsym for VLXFC_GetAdapterAttributes2"},
      {"shared, read fails", testsupport::Route::Shared, "", "attributes2", "", false,
       "vendor extension: fail to read adapter attribs: handle used is 0x1: retStatus is 0xc"},
      {"shared, other node", testsupport::Route::Shared, "", "", "ext_node_wwn=20:00:00:00:00:00:00:99\n",
       false, "vendor extension: could not find WWNN match"},
      {"direct, no library", testsupport::Route::Direct, "", "", "", true,
       "vendor extension: unable to load qlsdm"},
      {"direct, read fails", testsupport::Route::Direct, "", "attributes2", "", false,
       "vendor extension: fail to read adapter attribs, adapterHandle 0x1, retStatus 0xc"},
  };
  for (const Case& c : cases) {
    Sandbox box;
    SimAdapter adapter = qlogic("0000:05:00.0", {"21:00:00:1b:32:0a:0b:0c"});
    adapter.fail = c.fail;
    adapter.extra = c.extra;
    box.add(adapter);
    box.setRoute(Vendor::QLogic, c.route);
    if (!c.variant.empty()) box.setLibrarySource(testsupport::simLibraryFile(c.variant));
    box.build();
    if (c.removeVendorCopy) {
      ASSERT_EQ(std::remove(box.vendorLibrary(Vendor::QLogic).c_str()), 0) << c.label;
    }
    Discovery d = discover(box);
    ASSERT_EQ(d.facts.adapters.size(), 1u) << c.label;
    EXPECT_STREQ(d.records[0].pciId, "N/A") << c.label;
    const std::vector<std::string> problems = problemsOf(d.facts.adapters[0]);
    ASSERT_EQ(problems.size(), 2u) << c.label;
    EXPECT_EQ(problems[0], c.problem) << c.label;
    EXPECT_EQ(problems[1].rfind("PCI identity N/A: no PCI function in sysfs at 0000:00:*.0", 0), 0u)
        << c.label << ": " << problems[1];
  }
}

// An identity file that cannot be read names the function the lookup found.
TEST(EnumerateFacts, AnUnreadableIdentityNamesItsFunction) {
  Sandbox box;
  box.add(qlogic("0000:05:00.0", {"21:00:00:1b:32:0a:0b:0c"}));
  box.build();
  const std::string device = box.root() + "/sys/devices/pci0000:00/0000:05:00.0";
  testsupport::writeFile(device + "/device", "");
  Discovery d = discover(box);
  ASSERT_EQ(d.facts.adapters.size(), 1u);
  EXPECT_EQ(
      problemsOf(d.facts.adapters[0]),
      std::vector<std::string>{"PCI identity N/A: the identity files of " + device + " could not be read"});
  EXPECT_EQ(d.facts.adapters[0].sysfsDevice, device);
}

// A library reporting hundreds of adapters, each failing: the problems of
// one adapter stay bounded, and every adapter still has its entry.
TEST(EnumerateFacts, ProblemsStayBounded) {
  Sandbox box;
  SimAdapter adapter = qlogic("0000:05:00.0", {"21:00:00:00:00:00:00:01"});
  adapter.extra = "ports=300\n";
  adapter.ports[0].fail = "attributes";
  box.add(adapter);
  box.build();
  Discovery d = discover(box);
  ASSERT_EQ(d.facts.adapters.size(), 1u);
  const AdapterFacts& a = d.facts.adapters[0];
  EXPECT_EQ(a.problems.kept.size(), a.problems.kBound);
  EXPECT_GT(a.problems.dropped, 0u);
  EXPECT_EQ(a.problems.kept[0], "port 0: HBA_GetAdapterPortAttributes returned 1");
}
