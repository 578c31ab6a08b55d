// End-to-end runs of the built executables in a scratch working directory
// with the system root below another one.
#include <gtest/gtest.h>

#include "testing/test_support.h"

using testsupport::TempDir;

namespace {

const char* kUsage =
    "QZXXXXXX.zxrun [options]\n"
    "    options\n"
    "    --------------------------\n"
    "    /f = Force the installation\n"
    "    /s = Execute silently\n"
    "    /d [path] = Perform self-discovery and output to [path]\n";

struct ComponentRun {
  TempDir work;
  TempDir root;
  testsupport::RunResult result{};

  ComponentRun(const std::string& executable, const std::string& args, const char* catalogue = nullptr) {
    if (catalogue != nullptr) testsupport::writeFile(work / "reference.xml", catalogue);
    result = testsupport::runIn(work.path(), "FCUPDATE_ROOT=" + root.path() + " " + testsupport::binDir() +
                                                 "/" + executable + " " + args);
  }
  std::string log() const { return testsupport::readFile(root / "var/vlx/Component.log"); }
};

}  // namespace

TEST(Entry, HelpPrintsUsageAndLeavesTheLog) {
  for (const char* exe : {"fcupdate", "fcupdate-emulex", "fcupdate-brocade"}) {
    ComponentRun run(exe, "/h");
    EXPECT_EQ(run.result.exitCode, 3) << exe;
    EXPECT_EQ(run.result.out, kUsage) << exe;
    EXPECT_TRUE(testsupport::fileExists(run.root / "var/vlx/Component.log")) << exe;
    EXPECT_EQ(run.log(), "") << exe;
  }
}

TEST(Entry, MissingCatalogueFailsWithSeven) {
  ComponentRun run("fcupdate", "");
  EXPECT_EQ(run.result.exitCode, 7);
  const std::string expected =
      "---------------------------------------------------\nLoading references...FAILED!\n";
  EXPECT_EQ(run.result.out, expected);
  EXPECT_EQ(run.log(), expected);

  ComponentRun silent("fcupdate", "/s");
  EXPECT_EQ(silent.result.exitCode, 7);
  EXPECT_EQ(silent.result.out, "");
  EXPECT_EQ(silent.log(), expected);
}

TEST(Entry, ReportPathMissingIsAParseFailure) {
  ComponentRun run("fcupdate", "/s /d");
  EXPECT_EQ(run.result.exitCode, 7);
  EXPECT_EQ(run.result.out, std::string(kUsage) + "ERROR! : Failed to parse command line\n");
  EXPECT_EQ(run.log(), "");
}

TEST(Entry, NoAdaptersEndsWithSevenAndNoReport) {
  ComponentRun run("fcupdate", "/d report.xml", "<maplu_fchba_reference/>");
  EXPECT_EQ(run.result.exitCode, 7);
  EXPECT_EQ(run.result.out,
            "---------------------------------------------------\n"
            "Loading references...done.\n"
            "Performing discovery...\n"
            "WARNING! : No supported adapters found.\n");
  EXPECT_FALSE(testsupport::fileExists(run.work / "report.xml"));
}

// The version goes to standard output alone, whatever else is on the line,
// and a help request or a report switch spelled another way never runs a step.
TEST(Entry, VersionAndOtherSpellingsOfHelpAndReport) {
  const char* catalogue = "<maplu_fchba_reference/>";
  for (const char* exe : {"fcupdate", "fcupdate-emulex", "fcupdate-brocade"}) {
    ComponentRun version(exe, "/s --version /f", catalogue);
    EXPECT_EQ(version.result.exitCode, 3) << exe;
    EXPECT_EQ(version.result.out, std::string(exe) + " 1.0.0\n");
    EXPECT_EQ(version.log(), "") << exe;
    for (const char* help : {"--help", "'/?'", "-HELP"}) {
      ComponentRun run(exe, help, catalogue);
      EXPECT_EQ(run.result.exitCode, 3) << exe << " " << help;
      EXPECT_EQ(run.result.out, kUsage) << exe << " " << help;
    }
    ComponentRun typo(exe, "/D report.xml", catalogue);
    EXPECT_EQ(typo.result.exitCode, 7) << exe;
    EXPECT_EQ(typo.result.out, std::string(kUsage) + "ERROR! : Failed to parse command line\n");
    EXPECT_FALSE(testsupport::fileExists(typo.work / "report.xml"));
    EXPECT_EQ(typo.log(), "") << exe;
  }
}
