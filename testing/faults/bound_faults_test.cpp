// Inputs without end: a vendor query that never stops printing, a sysfs
// attribute or release file that is a device or a file of one huge line.
// Every read stops at its bound and the run goes on with what it has.
#include <sys/stat.h>
#include <unistd.h>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_inputs.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kDone[] = "Generating self-discovery XML...done.\n";

void replaceWithLink(const std::string& path, const char* target) {
  ASSERT_EQ(unlink(path.c_str()), 0) << path;
  ASSERT_EQ(symlink(target, path.c_str()), 0) << path;
}

// The QLogic engine swapped for a script whose query is the given body.
void endlessQuery(const FaultServer& server, const std::string& body) {
  testsupport::writeFile(server.toolPath(), "#!/bin/sh\n" + body + "\n");
  ASSERT_EQ(chmod(server.toolPath().c_str(), 0755), 0);
}

std::vector<std::string> reportedDevices(const FaultServer& server) {
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  return devices;
}

struct EndlessQuery {
  const char* name;
  const char* body;
};

void PrintTo(const EndlessQuery& query, std::ostream* out) { *out << query.name; }

class EndlessQueryFaults : public ::testing::TestWithParam<EndlessQuery> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, EndlessQueryFaults,
    ::testing::Values(EndlessQuery{"Yes", "yes 'HBA Instance: 0'"},
                      EndlessQuery{"OneEndlessLine", "cat /dev/zero"},
                      // Deaf to the closed pipe: stopped after its 2 s.
                      EndlessQuery{
                          "IgnoresTheClosedPipe",
                          "trap '' PIPE; l=$(printf '%04000d' 0); while :; do echo $l; done 2>/dev/null"},
                      EndlessQuery{"GrandchildKeepsThePipe", "yes & wait"}),
    [](const auto& info) { return std::string(info.param.name); });

// A query without end is read to 16 MB, then the pipe is closed and the
// command stopped: the run ends in bounded time and memory with the adapter
// reported as having no version it could read.
TEST_P(EndlessQueryFaults, QueryIsCutAtItsBoundAndStopped) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  endlessQuery(server, GetParam().body);
  const Limits limits = largeInputLimits();
  const Outcome run = server.run({"/d", "report.xml"}, limits);
  EXPECT_TRUE(withinBounds(run, limits)) << describe(run);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kDone);
  EXPECT_EQ(reportedDevices(server), std::vector<std::string>{"1077.2532.1077.015d "});
  EXPECT_LT(run.seconds, 20.0);
  std::printf("%s: %s\n", GetParam().name, describe(run).c_str());
}

struct BadAttribute {
  const char* name;
  const char* file;    // below the adapter's sysfs directory
  bool endlessDevice;  // /dev/zero in its place, else a 20 MB file of one line
};

void PrintTo(const BadAttribute& attribute, std::ostream* out) { *out << attribute.name; }

class AttributeFaults : public ::testing::TestWithParam<BadAttribute> {};

INSTANTIATE_TEST_SUITE_P(Faults, AttributeFaults,
                         ::testing::Values(BadAttribute{"VendorIsDevZero", "vendor", true},
                                           BadAttribute{"DeviceIsDevZero", "device", true},
                                           BadAttribute{"SubsystemDeviceIsDevZero", "subsystem_device", true},
                                           BadAttribute{"VendorIsOneHugeLine", "vendor", false},
                                           BadAttribute{"DeviceIsOneHugeLine", "device", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// An identity file that is no sysfs attribute, or one far past a page, is
// not read without end: the run ends as usual, within its bounds (the
// catalogue's loose match still finds the adapter by its subsystem).
TEST_P(AttributeFaults, AdapterWithoutAReadableIdentityIsNotMatched) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string path = server.root("sys/devices/pci0000:00/0000:05:00.0/") + GetParam().file;
  if (GetParam().endlessDevice) {
    replaceWithLink(path, "/dev/zero");
  } else {
    testsupport::writeFile(path, std::string(20 * kMegabyte, '1'));
  }
  const Limits limits = largeInputLimits();
  const Outcome run = server.run({"/d", "report.xml"}, limits);
  EXPECT_TRUE(withinBounds(run, limits)) << describe(run);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kDone);
  EXPECT_EQ(reportedDevices(server), std::vector<std::string>{"1077.2532.1077.015d 3.00"});
  std::printf("%s: %s\n", GetParam().name, describe(run).c_str());
}

class ReleaseFaults : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Faults, ReleaseFaults, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "DevZero" : "OneHugeLine"; });

// A release file without end, or of one 200 MB line, is read to its 1 MB
// bound: the release stays unknown and the run goes on as usual.
TEST_P(ReleaseFaults, ReleaseFileIsReadOnlyToItsBound) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string release = server.root("etc/redhat-release");
  if (GetParam()) {
    replaceWithLink(release, "/dev/zero");
  } else {
    testsupport::writeFile(
        release, "Red Hat Enterprise Linux Server release 5.4 " + std::string(200 * kMegabyte, 'x') + "\n");
  }
  const Limits limits = largeInputLimits();
  const Outcome run = server.run({"/d", "report.xml"}, limits);
  EXPECT_TRUE(withinBounds(run, limits)) << describe(run);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kDone);
  EXPECT_EQ(reportedDevices(server), std::vector<std::string>{"1077.2532.1077.015d 3.00"});
  std::printf("release %s: %s\n", GetParam() ? "/dev/zero" : "200 MB line", describe(run).c_str());
}

}  // namespace
}  // namespace faults
