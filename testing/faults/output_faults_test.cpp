// The run's two outputs failing: a component log that cannot be created or
// written, and a self-discovery report whose path cannot be written.
#include <sys/stat.h>

#include <cstdlib>
#include <tuple>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kLogError[] = "ERROR : Unable to write to log file\n";

enum class LogFault { DirectoryNotCreatable, FileReadOnly };

const char* faultName(LogFault fault) {
  return fault == LogFault::DirectoryNotCreatable ? "DirectoryNotCreatable" : "FileReadOnly";
}

// Only file modes stand in the way, so the runs obey them.
void inflict(const FaultServer& server, LogFault fault) {
  if (fault == LogFault::FileReadOnly) {
    ASSERT_EQ(chmod(server.logPath().c_str(), 0444), 0);
    return;
  }
  ASSERT_EQ(std::system(("rm -rf " + shellQuote(server.root("var/vlx"))).c_str()), 0);
  ASSERT_EQ(chmod(server.root("var").c_str(), 0555), 0);
}

// What a log that cannot be opened leaves: none of the run's text, and the
// earlier text untouched when there was a file.
void expectLogUntouched(const FaultServer& server, LogFault fault) {
  if (fault == LogFault::FileReadOnly) {
    EXPECT_EQ(server.log(), kEarlierLog);
  } else {
    EXPECT_FALSE(testsupport::fileExists(server.logPath()));
  }
}

// Without its folder the run lock cannot be used either: the run says so
// after the banner and goes on unlocked.
std::string lockWarning(const FaultServer& server, LogFault fault) {
  if (fault != LogFault::DirectoryNotCreatable) return "";
  return "WARNING! : " + server.root("var/vlx/fcupdate.lock") +
         " cannot be used; running without the lock, so another update run may flash at the same time.\n";
}

// The usual start of a run's console, with the lock warning after the banner.
std::string startWithLockWarning(const std::string& start, const std::string& warning) {
  const std::string banner = "---------------------------------------------------\n";
  return banner + warning + start.substr(banner.size());
}

// Every message piece echoed, each followed by the console's own notice.
std::string echoedWithErrors(std::initializer_list<const char*> pieces) {
  std::string console;
  for (const char* piece : pieces) console += std::string(piece) + kLogError;
  return console;
}

void PrintTo(LogFault fault, std::ostream* out) { *out << faultName(fault); }

class LogFaults : public ::testing::TestWithParam<LogFault> {};

INSTANTIATE_TEST_SUITE_P(Faults, LogFaults,
                         ::testing::Values(LogFault::DirectoryNotCreatable, LogFault::FileReadOnly),
                         [](const auto& info) { return std::string(faultName(info.param)); });

// Report mode goes on as if the log were there: every message on the console,
// each followed by the log error, the report written, exit code 3.
TEST_P(LogFaults, ReportModeShowsEveryMessageWithItsLogErrorAndEndsWithThree) {
  FaultServer server(Component::QLogic);
  server.build();
  inflict(server, GetParam());
  const Outcome run = server.run({"/d", "report.xml"}, ordinaryLimits(), true);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  const std::string warning = lockWarning(server, GetParam());
  std::string expected = echoedWithErrors({"---------------------------------------------------\n"});
  if (!warning.empty()) expected += warning + kLogError;
  expected += echoedWithErrors({"Loading references...", "done.\n", "Performing discovery...\n",
                                "Generating self-discovery XML...", "done.\n"});
  EXPECT_EQ(run.out, expected);
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{"1077.2532.1077.015d 3.00"});
  expectLogUntouched(server, GetParam());
}

// "/s" silences the messages but not the log errors, which bypass the log.
TEST_P(LogFaults, SilentRunStillShowsOneLogErrorPerMessage) {
  FaultServer server(Component::QLogic);
  server.build();
  inflict(server, GetParam());
  const Outcome run = server.run({"/s", "/d", "report.xml"}, ordinaryLimits(), true);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  // One a message; the lock warning is one more when the folder is missing.
  const int messages = lockWarning(server, GetParam()).empty() ? 6 : 7;
  std::string errors;
  for (int i = 0; i < messages; ++i) errors += kLogError;
  EXPECT_EQ(run.out, errors);
  expectLogUntouched(server, GetParam());
}

// A run with nothing to upgrade ends with its NOTICE and 3, log or no log.
TEST_P(LogFaults, NothingToUpgradeStillEndsWithThree) {
  FaultServer server(Component::QLogic);
  server.build();
  server.setQueryOutput(
      "HBA Instance: 0\nFlash Image Version: 3.10\nPort Name: 21-00-00-1b-32-0a-0b-0c\n\n\n");
  inflict(server, GetParam());
  const Outcome run = server.run({}, ordinaryLimits(), true);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  int errors = 0;
  const std::string warning = lockWarning(server, GetParam());
  EXPECT_EQ(withoutLogErrors(run.out, &errors),
            startWithLockWarning(kStart, warning) + "NOTICE : No operation was done.\n");
  EXPECT_EQ(errors, warning.empty() ? 5 : 6);
  EXPECT_EQ(server.toolCalls(), "");
}

class FlashWithoutLog : public ::testing::TestWithParam<std::tuple<LogFault, Component>> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, FlashWithoutLog,
    ::testing::Combine(::testing::Values(LogFault::DirectoryNotCreatable, LogFault::FileReadOnly),
                       ::testing::Values(Component::QLogic, Component::Emulex, Component::Brocade)),
    [](const auto& info) {
      return std::string(faultName(std::get<0>(info.param))) + componentName(std::get<1>(info.param));
    });

// A log that cannot take the engine's output is refused for it: the output
// goes to /dev/null instead, the engine runs once, and its outcome is the
// run's (1, applied). Every message still reaches the console.
TEST_P(FlashWithoutLog, EngineRunsWithItsOutputDiscardedAndItsOutcomeStands) {
  const LogFault fault = std::get<0>(GetParam());
  const Component component = std::get<1>(GetParam());
  FaultServer server(component);
  server.build();
  inflict(server, fault);
  const Outcome run = server.run({}, ordinaryLimits(), true);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 1) << describe(run);
  EXPECT_EQ(server.toolCalls(), component == Component::Emulex   ? "/q /sysfs\n/sysfs /update\n"
                                : component == Component::QLogic ? "\n"
                                                                 : "boot --update bfa_boot_fw -a\n");
  int errors = 0;
  const std::string console = withoutLogErrors(run.out, &errors);
  EXPECT_EQ(console.rfind(startWithLockWarning(server.start(), lockWarning(server, fault)) +
                              "Performing flash -- DO NOT INTERRUPT!\nExecuting flash engine: ",
                          0),
            0u)
      << console;
  if (component == Component::Emulex) {
    EXPECT_NE(console.find(" 1>> /dev/null 2>> /dev/null 3>> /dev/null\n"), std::string::npos) << console;
  }
  EXPECT_NE(console.find("Flash Engine exit code: 0\n"), std::string::npos) << console;
  EXPECT_NE(console.find("Flash complete [1]\n"), std::string::npos);
  EXPECT_GE(errors, 10);
  expectLogUntouched(server, fault);
}

struct UnwritableReport {
  const char* name;
  const char* path;
  const char* setUp;  // a shell command run in the working directory first
};

void PrintTo(const UnwritableReport& report, std::ostream* out) { *out << report.name; }

class ReportFaults : public ::testing::TestWithParam<UnwritableReport> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, ReportFaults,
    ::testing::Values(UnwritableReport{"MissingDirectory", "missing/report.xml", "true"},
                      UnwritableReport{"ReadOnlyDirectory", "sealed/report.xml",
                                       "mkdir sealed && chmod 555 sealed"},
                      UnwritableReport{"FileInPlaceOfDirectory", "plain/report.xml", "echo text > plain"},
                      UnwritableReport{"DirectoryInPlaceOfFile", "taken", "mkdir taken"}),
    [](const auto& info) { return std::string(info.param.name); });

// A report that cannot be written: "FAILED!" then "done.", exit code 3, and
// the log gets the same lines after its earlier text.
TEST_P(ReportFaults, UnwritableReportEndsWithFailedDoneAndThree) {
  FaultServer server(Component::QLogic);
  server.build();
  ASSERT_EQ(testsupport::runIn(server.box().work(), GetParam().setUp).exitCode, 0);
  const Outcome run = server.run({"/d", GetParam().path}, ordinaryLimits(), true);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  const std::string console = std::string(kStart) + "Generating self-discovery XML...FAILED!\ndone.\n";
  EXPECT_EQ(run.out, console);
  EXPECT_EQ(server.log(), kEarlierLog + console);
  EXPECT_FALSE(testsupport::fileExists(server.work(GetParam().path)) &&
               testsupport::readFile(server.work(GetParam().path)).find("tarvo") != std::string::npos);
}

}  // namespace
}  // namespace faults
