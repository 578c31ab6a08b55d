// /etc/hba.conf hostile: ten thousand lines, NUL bytes, binary garbage. The
// library lines it holds are found; nothing else is taken for one.
#include <unistd.h>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_inputs.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

using testsupport::Vendor;

std::string libraryLine(const FaultServer& server) {
  return "com.qlogic\t" + server.box().registeredLibrary(Vendor::QLogic);
}

// Runs report mode over the given configuration file.
Outcome runWithConf(const FaultServer& server, const std::string& conf) {
  testsupport::writeFile(server.root("etc/hba.conf"), conf);
  return server.run({"/d", "report.xml"});
}

void expectAdapterFound(const FaultServer& server, const Outcome& run) {
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + "Generating self-discovery XML...done.\n");
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{"1077.2532.1077.015d 3.00"});
  EXPECT_EQ(server.log(), kEarlierLog + run.out);
}

// Comments, blank lines, lines without a separator or name, long lines and
// a few missing libraries: the real library on line 10,000 is loaded.
TEST(HbaConfFaults, LibraryAfterTenThousandLinesOfJunkIsFound) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string junk[] = {"# a comment",        "",   "noseparator", "   leading blanks",
                              std::string(60, 'x'), "\r", "name\t",      "#com.qlogic\t/commented/out.so"};
  std::string conf;
  for (int i = 0; i < 9999; ++i) {
    if (i % 500 == 0) {
      conf += "com.missing" + std::to_string(i) + "\t/nonexistent/lib" + std::to_string(i) + ".so\n";
    } else {
      conf += junk[i % 8] + "\n";
    }
  }
  expectAdapterFound(server, runWithConf(server, conf + libraryLine(server) + "\r\n"));
}

// Library lines beyond the 32-slot table are not read: 10,000 missing
// libraries before the real one leave the run without adapters (7), and the
// loader does not try all of them.
TEST(HbaConfFaults, TenThousandLibraryLinesStopAtTheTable) {
  FaultServer server(Component::QLogic);
  server.build();
  std::string conf;
  for (int i = 0; i < 10000; ++i)
    conf += "com.lib" + std::to_string(i) + "\t/nonexistent/lib" + std::to_string(i) + ".so\n";
  const Outcome run = runWithConf(server, conf + libraryLine(server) + "\n");
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, std::string(kStart) + "WARNING! : No supported adapters found.\n");
  EXPECT_LT(run.seconds, 10.0 * (underValgrind() ? 20 : 1));
}

// A NUL ends a path as any character outside the filter does; lines of NULs
// name nothing.
TEST(HbaConfFaults, NulBytesEndPathsAndNameNothing) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string nul(1, '\0');
  const std::string conf = nul + nul + "\n#" + nul + "x\n" + "com.x" + nul + "y\t/a" + nul + "/b\n" +
                           libraryLine(server) + nul + "trailing garbage\n" + std::string(1000, '\0');
  expectAdapterFound(server, runWithConf(server, conf));
}

// A megabyte of binary garbage names no loadable library: no adapters, 7.
TEST(HbaConfFaults, BinaryGarbageGivesNoAdaptersAndSeven) {
  FaultServer server(Component::QLogic);
  server.build();
  const Outcome run = runWithConf(server, binaryGarbage(kMegabyte, 5));
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, std::string(kStart) + "WARNING! : No supported adapters found.\n");
  EXPECT_TRUE(keptEarlierLog(server.log()));
}

// A line past 64 KB is dropped whole, never cut to a path and loaded; the
// library on the next line is found.
TEST(HbaConfFaults, OverlongLineIsDroppedWholeAndTheNextLineRead) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string overlong = libraryLine(server) + std::string(70000, ' ') + "x";
  expectAdapterFound(server, runWithConf(server, overlong + "\n" + libraryLine(server) + "\n"));
  testsupport::writeFile(server.root("etc/hba.conf"), overlong + "\n");
  EXPECT_EQ(server.run({"/d", "report.xml"}).exitCode, 7);
}

// Reading stops after 1 MB: a library listed after it is not loaded, and a
// configuration file that is an endless device ends the read instead of
// exhausting memory.
TEST(HbaConfFaults, ReadingStopsAtOneMegabyte) {
  FaultServer server(Component::QLogic);
  server.build();
  std::string comments;
  while (comments.size() <= kMegabyte) comments += "# comment\n";
  const Outcome late = runWithConf(server, comments + libraryLine(server) + "\n");
  EXPECT_EQ(late.exitCode, 7);
  const std::string conf = server.root("etc/hba.conf");
  ASSERT_EQ(unlink(conf.c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", conf.c_str()), 0);
  const Outcome endless = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(endless, ordinaryLimits()));
  EXPECT_EQ(endless.exitCode, 7);
  EXPECT_EQ(endless.out, std::string(kStart) + "WARNING! : No supported adapters found.\n");
}

}  // namespace
}  // namespace faults
