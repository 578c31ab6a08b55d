// Counting the Fibre Channel functions the bus lists: class values, and
// entries that are no function at all.
#include "fchba/pci_class.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/sandbox.h"
#include "testing/test_support.h"

namespace {

struct BusRoot {
  testsupport::TempDir dir;
  testsupport::ScopedEnv env{"FCUPDATE_ROOT", dir.path()};
  std::string bus = dir / "sys/bus/pci/devices";

  // A function folder listed by the bus, with the class text given (none
  // when null).
  void function(const std::string& name, const char* classText) {
    const std::string folder = dir / "sys/devices/pci0000:00" + "/" + name;
    testsupport::makeDirs(folder);
    if (classText != nullptr) testsupport::writeFile(folder + "/class", classText);
    testsupport::makeDirs(bus);
    EXPECT_EQ(symlink(folder.c_str(), (bus + "/" + name).c_str()), 0) << name;
  }
};

}  // namespace

TEST(PciClass, NoBusListingIsNotACountOfZero) {
  BusRoot root;
  EXPECT_EQ(countFibreChannelFunctions(), -1);
  testsupport::makeDirs(root.bus);
  EXPECT_EQ(countFibreChannelFunctions(), 0);
}

TEST(PciClass, OnlyFibreChannelFunctionsCount) {
  BusRoot root;
  root.function("0000:05:00.0", "0x0c0400\n");
  root.function("0000:05:00.1", "0x0c0401\n");  // another programming interface
  root.function("0000:06:00.0", "0x020000\n");  // Ethernet
  root.function("0000:07:00.0", "0x0c0330\n");  // USB
  root.function("0000:08:00.0", "0x0c04");      // no line end
  root.function("0000:09:00.0", nullptr);       // no class file
  root.function("0000:0a:00.0", "garbage\n");
  // A dangling link and a class file that is a FIFO nobody writes.
  ASSERT_EQ(symlink("/nonexistent/function", (root.bus + "/0000:0b:00.0").c_str()), 0);
  root.function("0000:0c:00.0", nullptr);
  ASSERT_EQ(mkfifo((root.dir / "sys/devices/pci0000:00/0000:0c:00.0/class").c_str(), 0600), 0);
  EXPECT_EQ(countFibreChannelFunctions(), 2);
}

// The simulated server lists its adapters as Fibre Channel functions.
TEST(PciClass, TheSandboxAdaptersAreFibreChannelFunctions) {
  BusRoot root;
  testsupport::writeSysfsFunction(root.dir.path(), "0000:05:00.0", "1077:2532:1077:015d");
  testsupport::writeSysfsFunction(root.dir.path(), "0000:05:00.1", "1077:2532:1077:015d");
  EXPECT_EQ(countFibreChannelFunctions(), 2);
}
