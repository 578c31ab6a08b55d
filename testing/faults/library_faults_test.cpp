// A vendor library that returns what no library should: texts without their
// terminating NUL, absurd adapter and port counts, an interface version of 0.
#include <unistd.h>

#include <cstdio>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

using testsupport::Vendor;

const char kFailedStatus[] = "MRA get returned failed status!\n";

// Longer than every field, so that the library fills each one to its end.
const std::string kOverlong(300, 'X');

std::string times(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

bool reportsOnly(const FaultServer& server, const std::string& deviceId) {
  std::vector<std::string> devices;
  if (!readReport(server.work("report.xml"), devices) || devices.size() != 1) return false;
  return devices[0].rfind(deviceId + " ", 0) == 0;
}

class UnterminatedTexts : public ::testing::TestWithParam<Component> {};

INSTANTIATE_TEST_SUITE_P(Faults, UnterminatedTexts, ::testing::Values(Component::QLogic, Component::Brocade),
                         [](const auto& info) { return std::string(componentName(info.param)); });

// Every attribute text fills its field without a NUL: each is read to the
// field's end and no further, and the adapter is reported as usual.
TEST_P(UnterminatedTexts, AdapterIsReadToTheFieldEndsAndReported) {
  FaultServer server(GetParam());
  testsupport::SimAdapter& adapter = server.adapter();
  // Named before the model grows, since the default name carries the model.
  adapter.name = GetParam() == Component::QLogic ? "qlogic-overlong-0" : "Brocade-overlong-0";
  adapter.manufacturer = adapter.serialNumber = adapter.model = adapter.driverVersion = kOverlong;
  adapter.firmwareVersion = adapter.optionRomVersion = kOverlong;
  adapter.extra =
      "node_symbolic_name=" + kOverlong + "\nhardware=" + kOverlong + "\ndriver_name=" + kOverlong + "\n";
  adapter.ports[0].extra = "symbolic_name=" + kOverlong + "\nos_device=" + kOverlong + "\n";
  server.build();
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + "Generating self-discovery XML...done.\n");
  EXPECT_TRUE(
      reportsOnly(server, GetParam() == Component::QLogic ? "1077.2532.1077.015d" : "1657.0013.1657.0014"));
  EXPECT_EQ(server.log(), kEarlierLog + run.out);
}

// An adapter name that fills the library's whole 256-byte buffer is longer
// than the adapter table keeps, so the adapter cannot be opened by it: it is
// announced as failed, and the run goes on to its usual end.
TEST(LibraryFaults, UnterminatedAdapterNameIsAnnouncedAsFailed) {
  FaultServer server(Component::QLogic);
  server.adapter().name = "qlogic-" + std::string(256, 'N');
  server.build();
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kFailedStatus + "Generating self-discovery XML...done.\n");
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_TRUE(keptEarlierLog(server.log()));
}

class AbsurdAdapterCount : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Faults, AbsurdAdapterCount, ::testing::Values("2147483648", "4294967295"));

// A count of billions stops at the adapter table's 256 entries: the one real
// adapter is reported, the 255 the library cannot name are announced.
TEST_P(AbsurdAdapterCount, WalkStopsAtTheTableAndReportsTheRealAdapter) {
  FaultServer server(Component::QLogic);
  server.box().setLibraryOptions(Vendor::QLogic, std::string("count=") + GetParam() + "\n");
  server.build();
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out,
            std::string(kStart) + times(kFailedStatus, 255) + "Generating self-discovery XML...done.\n");
  EXPECT_TRUE(reportsOnly(server, "1077.2532.1077.015d"));
  EXPECT_EQ(server.log(), std::string(kEarlierLog) + kStart + "Generating self-discovery XML...done.\n");
  std::printf("adapter count %s: %s\n", GetParam(), describe(run).c_str());
}

// 10,000 ports claimed, one there: the walk stops at 256 ports, the adapter
// is announced as failed and still matched by its first port.
TEST(LibraryFaults, TenThousandPortsAreWalkedOnlyToTheLimit) {
  FaultServer server(Component::QLogic);
  server.adapter().extra = "ports=10000\n";
  server.build();
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kFailedStatus + "Generating self-discovery XML...done.\n");
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{"1077.2532.1077.015d 3.00"});
  const std::vector<std::string> calls =
      testsupport::simCalls(server.box().registeredLibrary(Vendor::QLogic));
  int portReads = 0;
  for (const std::string& call : calls) portReads += call.rfind("GetAdapterPortAttributesHandler", 0) == 0;
  EXPECT_EQ(portReads, 256);
}

// A library of interface version 0 is not used: no adapters, exit code 7 in
// report and flash mode alike, and no report.
TEST(LibraryFaults, VersionZeroLibraryGivesNoAdaptersAndSeven) {
  FaultServer server(Component::QLogic);
  server.box().setLibraryOptions(Vendor::QLogic, "version=0\n");
  server.build();
  const std::string console = std::string(kStart) + "WARNING! : No supported adapters found.\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"/d", "report.xml"}, std::vector<std::string>{"/f"}}) {
    const Outcome run = server.run(args);
    EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(run.out, console);
  }
  EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
  EXPECT_EQ(server.toolCalls(), "");
  EXPECT_EQ(server.log(), kEarlierLog + console + console);
}

// A library that leaves the attributes handler empty has told nothing about
// its adapter: the read is a failure, announced as any failed read is, and
// never an adapter with empty attributes taken as read.
TEST(LibraryFaults, MissingAttributesHandlerIsAFailedReadNotAnEmptyAdapter) {
  FaultServer server(Component::QLogic);
  server.box().setLibraryOptions(Vendor::QLogic, "null=GetAdapterAttributesHandler\n");
  server.build();
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kFailedStatus + "Generating self-discovery XML...done.\n");
}

// Statistics are not what identifies an adapter: without the handler the
// adapter is reported as usual and nothing is announced.
TEST(LibraryFaults, MissingStatisticsHandlerStillReportsTheAdapterQuietly) {
  FaultServer server(Component::QLogic);
  server.box().setLibraryOptions(Vendor::QLogic, "null=GetPortStatisticsHandler\n");
  server.build();
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + "Generating self-discovery XML...done.\n");
  EXPECT_TRUE(reportsOnly(server, "1077.2532.1077.015d"));
}

// One library named on three lines, once through a symlink, is one library:
// its adapter is in the report once.
TEST(LibraryFaults, LibraryListedThreeTimesReportsItsAdapterOnce) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string library = server.box().registeredLibrary(Vendor::QLogic);
  const std::string link = server.root("opt/linked-libqlsdm.so");
  ASSERT_EQ(symlink(library.c_str(), link.c_str()), 0);
  const std::string conf = server.root("etc/hba.conf");
  testsupport::writeFile(conf,
                         testsupport::readFile(conf) + "again\t" + library + "\nlinked\t" + link + "\n");
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + "Generating self-discovery XML...done.\n");
  EXPECT_TRUE(reportsOnly(server, "1077.2532.1077.015d"));
}

}  // namespace
}  // namespace faults
