// The command line and the run sequence: options, exit codes and messages.
#include "framework/run_sequence.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/test_support.h"

using testsupport::ScopedChdir;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

const char* kUsage =
    "QZXXXXXX.zxrun [options]\n"
    "    options\n"
    "    --------------------------\n"
    "    /f = Force the installation\n"
    "    /s = Execute silently\n"
    "    /d [path] = Perform self-discovery and output to [path]\n";

// A component whose virtual operations do what the test scripts.
class ScriptedComponent : public CBaseCmp {
 public:
  bool discoverResult = true;
  bool reportResult = true;
  int flashResult = 1;
  std::vector<std::wstring> actions;  // one discovered device per action
  std::vector<std::string> calls;

  bool discover() override {
    calls.push_back("discover");
    for (const std::wstring& action : actions) {
      DiscoveredDevice device;
      FirmwareItem item;
      item.action = action;
      device.fw_items.push_back(item);
      report.devices.push_back(device);
    }
    return discoverResult;
  }
  bool writeDiscoveryReport() override {
    calls.push_back("report");
    return reportResult;
  }
  int flash() override {
    calls.push_back("flash");
    return flashResult;
  }
};

// A scratch working directory with a catalogue and a system root.
struct RunDirs {
  TempDir work;
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  ScopedChdir cd{work.path()};
  RunDirs() { testsupport::writeFile(work / "reference.xml", "<maplu_fchba_reference/>"); }
  std::string log() const { return testsupport::readFile(root / "var/vlx/Component.log"); }
};

struct Outcome {
  int exitCode;
  std::string console;
};

Outcome run(ScriptedComponent& c, std::vector<const char*> args) {
  args.insert(args.begin(), "fcupdate");
  testing::internal::CaptureStdout();
  int code = runComponent(c, {"fcupdate", "1.0.0", "qlogic"}, static_cast<int>(args.size()), args.data());
  return {code, testing::internal::GetCapturedStdout()};
}

const std::string kBanner = "---------------------------------------------------\n";
const std::string kStart = kBanner + "Loading references...done.\nPerforming discovery...\n";

}  // namespace

TEST(CommandLine, OptionsAndTheirEffects) {
  struct Case {
    std::vector<const char*> args;
    CommandLineResult result;
    bool silent, force, discovery;
    std::string reportPath;
  } cases[] = {
      {{}, CommandLineResult::Run, false, false, false, ""},
      {{"/s"}, CommandLineResult::Run, true, false, false, ""},
      {{"-s"}, CommandLineResult::Run, true, false, false, ""},
      {{"/f"}, CommandLineResult::Run, false, true, false, ""},
      {{"-f"}, CommandLineResult::Run, false, true, false, ""},
      {{"/e"}, CommandLineResult::Run, false, true, false, ""},
      {{"-e"}, CommandLineResult::Run, false, true, false, ""},
      {{"/g"}, CommandLineResult::Run, false, true, false, ""},
      {{"-g"}, CommandLineResult::Run, false, true, false, ""},
      {{"/S", "/F", "--s", "//f", "//h", "/dd", "-hh", "help", "d"},
       CommandLineResult::Run,
       false,
       false,
       false,
       ""},
      {{"/d", "out.xml"}, CommandLineResult::Run, false, false, true, "out.xml"},
      {{"-d", "a.xml", "/d", "b.xml"}, CommandLineResult::Run, false, false, true, "b.xml"},
      {{"/d", "/s"}, CommandLineResult::Run, true, false, true, "/s"},
      {{"/d", "/f"}, CommandLineResult::Run, false, true, true, "/f"},
      {{"/d", "/d", "x"}, CommandLineResult::Run, false, false, true, "x"},
      {{"/d"}, CommandLineResult::Malformed, false, false, true, ""},
      {{"/s", "-d"}, CommandLineResult::Malformed, true, false, true, ""},
      {{"/h", "/d"}, CommandLineResult::UsageShown, false, false, false, ""},
      {{"/d", "/h"}, CommandLineResult::UsageShown, false, false, true, "/h"},
      {{"/f", "-h", "/s"}, CommandLineResult::UsageShown, false, true, false, ""},
  };
  for (const Case& c : cases) {
    TempDir root;
    ScopedEnv env("FCUPDATE_ROOT", root.path());
    CBaseCmp component;
    std::vector<const char*> argv = c.args;
    argv.insert(argv.begin(), "fcupdate");
    testing::internal::CaptureStdout();
    CommandLineResult result = parseCommandLine(component, static_cast<int>(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    std::string label = std::to_string(argv.size()) + " args, first " + (c.args.empty() ? "-" : c.args[0]);
    EXPECT_EQ(result, c.result) << label;
    EXPECT_EQ(component.options.silent, c.silent) << label;
    EXPECT_EQ(component.log.quiet, c.silent) << label;
    EXPECT_EQ(component.options.force, c.force) << label;
    EXPECT_EQ(component.options.discovery, c.discovery) << label;
    EXPECT_EQ(component.options.reportPath, c.reportPath) << label;
    EXPECT_EQ(out, c.result == CommandLineResult::Run ? "" : kUsage) << label;
  }
}

TEST(RunSequence, ExitCodesAndMessages) {
  struct Case {
    const char* name;
    std::vector<const char*> args;
    bool discoverResult;
    bool reportResult;
    std::vector<std::wstring> actions;
    int flashResult;
    int exitCode;
    std::string tail;  // what follows the start of the run
    std::vector<std::string> calls;
  } cases[] = {
      {"discover fails", {}, false, true, {}, 1, 7, "", {"discover"}},
      {"report written",
       {"/d", "r.xml"},
       true,
       true,
       {L"upgrade"},
       1,
       3,
       "Generating self-discovery XML...done.\n",
       {"discover", "report"}},
      {"report fails",
       {"/d", "r.xml"},
       true,
       false,
       {},
       1,
       3,
       "Generating self-discovery XML...FAILED!\ndone.\n",
       {"discover", "report"}},
      {"nothing to upgrade",
       {},
       true,
       true,
       {L"rewrite", L"downgrade"},
       1,
       3,
       "NOTICE : No operation was done.\n",
       {"discover"}},
      {"empty inventory", {}, true, true, {}, 1, 3, "NOTICE : No operation was done.\n", {"discover"}},
      {"forced without hardware",
       {"/f"},
       true,
       true,
       {},
       1,
       3,
       "ERROR! : No supported hardware was found.\n",
       {"discover"}},
      {"upgrade pending",
       {},
       true,
       true,
       {L"rewrite", L"upgrade"},
       1,
       1,
       "Performing flash -- DO NOT INTERRUPT!\nFlash complete [1]\n",
       {"discover", "flash"}},
      {"forced rewrite",
       {"-g"},
       true,
       true,
       {L"rewrite"},
       15,
       15,
       "Performing flash -- DO NOT INTERRUPT!\nFlash complete [15]\n",
       {"discover", "flash"}},
      {"flash result zero",
       {},
       true,
       true,
       {L"upgrade"},
       0,
       0,
       "Performing flash -- DO NOT INTERRUPT!\nFlash complete [0]\n",
       {"discover", "flash"}},
  };
  for (const Case& c : cases) {
    RunDirs dirs;
    ScriptedComponent component;
    component.discoverResult = c.discoverResult;
    component.reportResult = c.reportResult;
    component.actions = c.actions;
    component.flashResult = c.flashResult;
    Outcome outcome = run(component, c.args);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(outcome.console, kStart + c.tail) << c.name;
    EXPECT_EQ(dirs.log(), kStart + c.tail) << c.name;
    EXPECT_EQ(component.calls, c.calls) << c.name;
  }
}

TEST(RunSequence, MissingOrBrokenCatalogueFailsBeforeDiscovery) {
  for (const char* content : {static_cast<const char*>(nullptr), "<not closed"}) {
    RunDirs dirs;
    (void)std::remove("reference.xml");
    if (content != nullptr) testsupport::writeFile("reference.xml", content);
    ScriptedComponent component;
    testing::internal::CaptureStderr();
    Outcome outcome = run(component, {});
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(outcome.exitCode, 7);
    EXPECT_EQ(outcome.console, kBanner + "Loading references...FAILED!\n");
    EXPECT_TRUE(component.calls.empty());
  }
}

TEST(RunSequence, SilentRunLogsEverythingAndPrintsNothing) {
  RunDirs dirs;
  ScriptedComponent component;
  component.actions = {L"upgrade"};
  Outcome outcome = run(component, {"/s"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.console, "");
  EXPECT_EQ(dirs.log(), kStart + "Performing flash -- DO NOT INTERRUPT!\nFlash complete [1]\n");
}

TEST(RunSequence, ParseFailureBypassesTheLogAndSilence) {
  RunDirs dirs;
  ScriptedComponent component;
  Outcome outcome = run(component, {"/s", "/d"});
  EXPECT_EQ(outcome.exitCode, 7);
  EXPECT_EQ(outcome.console, std::string(kUsage) + "ERROR! : Failed to parse command line\n");
  EXPECT_EQ(dirs.log(), "");
  EXPECT_TRUE(component.calls.empty());
}

TEST(RunSequence, HelpEndsWithThreeBeforeAnyStep) {
  RunDirs dirs;
  ScriptedComponent component;
  Outcome outcome = run(component, {"/h", "/d"});
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_EQ(outcome.console, kUsage);
  EXPECT_TRUE(component.calls.empty());
}

// A help request or a report switch typed another way never reaches a step
// that could flash: help ends with 3, a mistyped report switch is a parse
// failure, and the first of them on the line decides.
TEST(CommandLine, HelpAndReportSwitchSpellingsNeverRun) {
  const char* const help = "help";
  const char* const failure = "failure";
  struct Case {
    std::vector<const char*> args;
    const char* outcome;
  } cases[] = {
      {{"--help"}, help},       {{"-help"}, help},
      {{"/HELP"}, help},        {{"/Help"}, help},
      {{"/?"}, help},           {{"-?"}, help},
      {{"---?"}, help},         {{"--h"}, help},
      {{"/H"}, help},           {{"-H"}, help},
      {{"/f", "--HELP"}, help}, {{"/d", "--help"}, help},
      {{"/D"}, failure},        {{"-D"}, failure},
      {{"--d"}, failure},       {{"--D", "r.xml"}, failure},
      {{"-d=r.xml"}, failure},  {{"/d:r.xml"}, failure},
      {{"/D=x"}, failure},      {{"-d:"}, failure},
      {{"/d", "-D"}, failure},  {{"/D", "--help"}, failure},
      {{"--help", "/D"}, help},
  };
  for (const Case& c : cases) {
    RunDirs dirs;
    ScriptedComponent component;
    component.actions = {L"upgrade"};
    const Outcome outcome = run(component, c.args);
    const std::string label = c.args.back();
    if (c.outcome == help) {
      EXPECT_EQ(outcome.exitCode, 3) << label;
      EXPECT_EQ(outcome.console, kUsage) << label;
    } else {
      EXPECT_EQ(outcome.exitCode, 7) << label;
      EXPECT_EQ(outcome.console, std::string(kUsage) + "ERROR! : Failed to parse command line\n") << label;
    }
    EXPECT_TRUE(component.calls.empty()) << label;
    EXPECT_EQ(dirs.log(), "") << label;
  }
}

TEST(CommandLine, VersionPrintsTheProgramAndBypassesLogAndSilence) {
  RunDirs dirs;
  ScriptedComponent component;
  component.actions = {L"upgrade"};
  const Outcome outcome = run(component, {"/s", "--version", "/f"});
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_EQ(outcome.console, "fcupdate 1.0.0\n");
  EXPECT_TRUE(component.calls.empty());
  EXPECT_EQ(dirs.log(), "");
}
