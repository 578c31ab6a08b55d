// The sysfs search: command texts, matching rules, find order and missing files.
#include "fchba/pci_identity.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "testing/sandbox.h"
#include "testing/test_support.h"

using testsupport::writeFile;

namespace {

struct SysfsRoot {
  testsupport::TempDir dir;
  std::string root = dir.path();
  testsupport::ScopedEnv env{"FCUPDATE_ROOT", root};

  // A device directory below sys/devices with the four identity files.
  std::string device(const std::string& relative, const std::string& vendor, const std::string& deviceId,
                     const std::string& subsystemVendor, const std::string& subsystemDevice) {
    std::string path = root + "/sys/devices/" + relative;
    testsupport::makeDirs(path);
    writeFile(path + "/vendor", vendor + "\n");
    writeFile(path + "/device", deviceId + "\n");
    writeFile(path + "/subsystem_vendor", subsystemVendor + "\n");
    writeFile(path + "/subsystem_device", subsystemDevice + "\n");
    return path;
  }
};

// The identity text alone, as the record stores it.
std::string lookupPciIdentity(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function,
                              HBA_UINT16 subsystemVendorId, HBA_UINT16 subsystemDeviceId) {
  CommandRecords commands;
  return ::lookupPciIdentity(domain, bus, function, subsystemVendorId, subsystemDeviceId, commands).text;
}

}  // namespace

TEST(PciIdentity, CommandTextsOnTheHost) {
  testsupport::ScopedEnv unset("FCUPDATE_ROOT", "");
  EXPECT_EQ(pciSearchCommand(0, 5, 1),
            "find /sys -name subsystem_vendor | grep -i -e '0000:05:\\(\\w\\)*\\.1'");
  EXPECT_EQ(pciSearchCommand(0x12, 0xab, 0x1f),
            "find /sys -name subsystem_vendor | grep -i -e '0012:ab:\\(\\w\\)*\\.1f'");
  const std::string dir = "/sys/devices/pci0000:00/0000:05:00.1";
  EXPECT_EQ(subsystemTestCommand(dir, 0x1077, 0x15d),
            "cat " + dir + "/subsystem_vendor " + dir + "/subsystem_device | grep -i -E '1077|015d' | wc -l");
  EXPECT_EQ(identityCommand(dir), "cat " + dir + "/vendor " + dir + "/device");
}

TEST(PciIdentity, CommandTextsBelowARootAreQuoted) {
  testsupport::ScopedEnv root("FCUPDATE_ROOT", "/tmp/a b");
  EXPECT_EQ(pciSearchCommand(0, 0, 0),
            "find '/tmp/a b/sys' -name subsystem_vendor | grep -i -e '0000:00:\\(\\w\\)*\\.0'");
  EXPECT_EQ(identityCommand("/tmp/a b/sys/x"), "cat '/tmp/a b/sys/x/vendor' '/tmp/a b/sys/x/device'");
  EXPECT_EQ(identityCommand("/tmp/it's"), "cat '/tmp/it'\"'\"'s/vendor' '/tmp/it'\"'\"'s/device'");
}

TEST(PciIdentity, FunctionIsToldApartAfterTheDot) {
  SysfsRoot sys;
  sys.device("pci0000:00/0000:05:00.0", "0x1077", "0x2532", "0x1077", "0x015d");
  sys.device("pci0000:00/0000:05:00.1", "0x1077", "0x2533", "0x1077", "0x015d");
  sys.device("pci0000:00/0000:05:00.11", "0x1077", "0x2534", "0x1077", "0x015d");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "10772532");
  EXPECT_EQ(lookupPciIdentity(0, 5, 1, 0x1077, 0x015d), "10772533");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0x11, 0x1077, 0x015d), "10772534");
  EXPECT_EQ(lookupPciIdentity(0, 5, 2, 0x1077, 0x015d), "N/A");
  EXPECT_EQ(lookupPciIdentity(0, 6, 0, 0x1077, 0x015d), "N/A");
  EXPECT_EQ(lookupPciIdentity(1, 5, 0, 0x1077, 0x015d), "N/A");
}

TEST(PciIdentity, BothSubsystemFilesMustMatch) {
  SysfsRoot sys;
  sys.device("pci0000:00/0000:05:00.0", "0x1077", "0x2532", "0x1077", "0x0138");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "N/A");  // count 1
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x0138), "10772532");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x0138, 0x1077), "10772532");  // not tied to a file
  // A subsystem device file holding the vendor identifier counts as well.
  sys.device("pci0000:00/0000:07:00.0", "0x10DF", "0xF100", "0x10DF", "0x10DF");
  EXPECT_EQ(lookupPciIdentity(0, 7, 0, 0x10df, 0xabcd), "10dff100");
}

TEST(PciIdentity, ACandidateNeedsItsIdentityFiles) {
  SysfsRoot sys;
  const std::string path = sys.device("pci0000:00/0000:05:00.0", "0x1077", "0x2532", "0x1077", "0x015d");
  for (const char* file : {"device", "vendor", "subsystem_device"}) {
    const std::string saved = testsupport::readFile(path + "/" + file);
    (void)std::remove((path + "/" + file).c_str());
    EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "N/A") << file;
    writeFile(path + "/" + file, saved);
  }
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "10772532");
}

TEST(PciIdentity, IdentifiersNeedTwoLines) {
  SysfsRoot sys;
  const std::string path = sys.device("pci0000:00/0000:05:00.0", "0x1077", "0x2532", "0x1077", "0x015d");
  writeFile(path + "/vendor", "0x1077");  // no line end: cat gives one line
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "N/A");
  writeFile(path + "/vendor", "1077\n");  // no prefix is fine too
  writeFile(path + "/device", "0x2532 trailing\n");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "10772532");
}

TEST(PciIdentity, AnAncestorsNameCanMatchButItsOwnFilesDecide) {
  SysfsRoot sys;
  // A bridge at the same domain, bus and function, with the adapter behind it.
  sys.device("pci0000:00/0000:05:1c.0", "0x8086", "0x1234", "0x8086", "0x7270");
  sys.device("pci0000:00/0000:05:1c.0/0000:09:00.3", "0x1077", "0x2532", "0x1077", "0x015d");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "10772532");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x8086, 0x7270), "80861234");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x7270), "N/A");
}

TEST(PciIdentity, TheFirstAcceptedCandidateInFindOrderWins) {
  SysfsRoot sys;
  const std::map<std::string, std::string> accepted = {
      {"0000:05:00.0", "10770001"}, {"0000:05:01.0", "10770002"}, {"0000:05:03.0", "10770004"}};
  for (const auto& device : accepted) {
    sys.device("pci0000:00/" + device.first, "0x1077", "0x" + device.second.substr(4), "0x1077", "0x015d");
  }
  sys.device("pci0000:00/0000:05:02.0", "0x1077", "0x0003", "0x1077", "0x0bad");
  // find's order is the directories' own; ask find which accepted one comes first.
  const testsupport::RunResult found =
      testsupport::runIn(sys.root, "find sys -name subsystem_vendor | grep -v 0000:05:02.0 | head -n 1");
  const std::size_t at = found.out.find("0000:05:");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), accepted.at(found.out.substr(at, 12)));
}

TEST(PciIdentity, ZeroLocationIsNormallyNotFound) {
  SysfsRoot sys;
  sys.device("pci0000:00/0000:00:1f.0", "0x8086", "0xa1c1", "0x1028", "0x0740");
  EXPECT_EQ(lookupPciIdentity(0, 0, 0, 0, 0), "N/A");
  EXPECT_EQ(lookupPciIdentity(0, 0, 0, 0x1028, 0x0740), "8086a1c1");
}

TEST(PciIdentity, ARootWithSpacesAndQuotesStillWorks) {
  testsupport::TempDir dir;
  const std::string root = dir / "it's a root";
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root);
  testsupport::writeSysfsFunction(root, "0000:05:00.0", "1077:2532:1077:015d");
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "10772532");
}

TEST(PciIdentity, NoSysfsAtAll) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv env("FCUPDATE_ROOT", dir.path());
  EXPECT_EQ(lookupPciIdentity(0, 5, 0, 0x1077, 0x015d), "N/A");
}

// Why the identity is "N/A", told apart: no function at the location with
// the subsystem, or a function whose identity files cannot be read.
TEST(PciIdentity, TheReasonForNotAvailable) {
  SysfsRoot sys;
  const std::string path = sys.device("pci0000:00/0000:05:00.1", "0x1077", "0x2532", "0x1077", "0x015d");
  struct Case {
    HBA_UINT8 bus;
    HBA_UINT16 subsystemDevice;
    const char* vendorFile;
    std::string text;
    std::string device;
    std::string problem;
  } cases[] = {
      {5, 0x015d, "0x1077\n", "10772532", path, ""},
      {6, 0x015d, "0x1077\n", "N/A", "", "no PCI function in sysfs at 0000:06:*.1 with subsystem 1077:015d"},
      {5, 0x0138, "0x1077\n", "N/A", "", "no PCI function in sysfs at 0000:05:*.1 with subsystem 1077:0138"},
      {5, 0x015d, "0x1077", "N/A", path, "the identity files of " + path + " could not be read"},
  };
  for (const Case& c : cases) {
    writeFile(path + "/vendor", c.vendorFile);
    CommandRecords commands;
    const PciIdentity found = ::lookupPciIdentity(0, c.bus, 1, 0x1077, c.subsystemDevice, commands);
    EXPECT_EQ(found.text, c.text) << c.problem;
    EXPECT_EQ(found.device, c.device) << c.problem;
    EXPECT_EQ(found.problem, c.problem);
  }
}

// Each command is recorded as it ends: the subsystem test of the candidate
// while the search still runs, then the search, then the identity read.
TEST(PciIdentity, EveryCommandIsRecorded) {
  SysfsRoot sys;
  const std::string path = sys.device("pci0000:00/0000:05:00.0", "0x1077", "0x2532", "0x1077", "0x015d");
  CommandRecords commands;
  EXPECT_EQ(::lookupPciIdentity(0, 5, 0, 0x1077, 0x015d, commands).text, "10772532");
  ASSERT_EQ(commands.kept.size(), 3u);
  EXPECT_EQ(commands.kept[0].text, subsystemTestCommand(path, 0x1077, 0x015d));
  EXPECT_EQ(commands.kept[0].outputBytes, 2u);  // "2\n"
  EXPECT_EQ(commands.kept[1].text, pciSearchCommand(0, 5, 0));
  EXPECT_EQ(commands.kept[2].text, identityCommand(path));
  EXPECT_EQ(commands.kept[2].outputBytes, 14u);
  EXPECT_EQ(commands.kept[2].status.exitCode, 0);
  for (const CommandRecord& command : commands.kept) {
    EXPECT_TRUE(command.started) << command.text;
    EXPECT_FALSE(command.cutAtBound) << command.text;
  }
  EXPECT_EQ(commands.dropped, 0u);
}

// A host that cannot start one more process: the search never ran, which
// is not the same as a search that found nothing.
TEST(PciIdentity, ASearchThatCannotStartSaysSo) {
  SysfsRoot sys;
  sys.device("pci0000:00/0000:05:00.0", "0x1077", "0x2532", "0x1077", "0x015d");
  const pid_t pid = fork();
  if (pid == 0) {
    // Root is not held to the process limit: give it up first.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    const rlimit none{0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0) _exit(3);
    CommandRecords commands;
    const PciIdentity found = ::lookupPciIdentity(0, 5, 0, 0x1077, 0x015d, commands);
    const bool told = found.text == "N/A" && found.problem == "the sysfs search could not be started" &&
                      commands.kept.size() == 1 && !commands.kept[0].started;
    _exit(told ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
