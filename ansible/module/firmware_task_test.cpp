// One call of the module against a stand-in component: the exit codes in
// Ansible's words, check mode, and the failures it must name.
#include "ansible/module/firmware_task.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "testing/test_support.h"

namespace fleet {
namespace {

using testsupport::fileExists;
using testsupport::readFile;
using testsupport::writeFile;

// Behaves as the component does towards its caller, driven by files beside
// it: report.xml (copied to the /d path), report.exit (3 when absent),
// flash.exit (1 when absent), and the *.log texts appended to the log.
const char* kFakeComponent = R"sh(#!/bin/sh
here=$(dirname "$0")
echo "$*" >> "$here/calls"
log="$FCUPDATE_ROOT/var/vlx/Component.log"
mkdir -p "$FCUPDATE_ROOT/var/vlx"
echo "printed: $*"
if [ "$2" = "/d" ]; then
  [ -f "$here/report.log" ] && cat "$here/report.log" >> "$log"
  [ -f "$here/report.xml" ] && cp "$here/report.xml" "$3"
  [ -f "$here/report.litter" ] && touch "$3.partial"
  [ -f "$here/report.gz" ] && gzip -c "$here/report.xml" > "$3"
  [ -f "$here/report.exit" ] && exit "$(cat "$here/report.exit")"
  exit 3
fi
[ -f "$here/flash.log" ] && cat "$here/flash.log" >> "$log"
[ -f "$here/flash.signal" ] && kill -s "$(cat "$here/flash.signal")" $$
[ -f "$here/flash.exit" ] && exit "$(cat "$here/flash.exit")"
exit 1
)sh";

// The stand-in keeps no run history, so every outcome rests on exit codes.
const std::string kNoRecord =
    " (the run history holds no record of the run; the outcome follows the exit code alone)";

std::string report(const std::vector<std::string>& actions) {
  std::string xml = "<?xml version=\"1.0\"?>\n<tarvo_rom_discovery version=\"2.0.0.0\">\n<devices>\n";
  int n = 0;
  for (const std::string& action : actions) {
    xml +=
        "<device><device_id value=\"1077.2532.1077.015d\"/><product_id value=\"QLE2562-" +
        std::to_string(n++) +
        "\"/><busnumber value=\"\"/><funcnumber value=\"\"/><fw_item><type value=\"Multiboot Image\"/>"
        "<firmware_id value=\"\"/><version value=\"3.28\"/><active_version value=\"3.00\"/><action value=\"" +
        action +
        "\"/><duration value=\"120\"/><message value=\"\"/><shared value=\"no\"/></fw_item></device>\n";
  }
  return xml + "</devices>\n</tarvo_rom_discovery>\n";
}

class FirmwareTask : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(pkg_ / "fcupdate", kFakeComponent);
    chmod((pkg_ / "fcupdate").c_str(), 0755);
    options_.packageDir = pkg_.path();
    options_.hasSystemRoot = true;
    options_.systemRoot = root_.path();
  }
  void set(const std::string& name, const std::string& text) { writeFile(pkg_ / name, text); }
  std::string calls() const { return fileExists(pkg_ / "calls") ? readFile(pkg_ / "calls") : ""; }
  Answer run() const { return runFirmwareTask(options_); }

  testsupport::TempDir pkg_;
  testsupport::TempDir root_;
  ModuleOptions options_;
};

TEST_F(FirmwareTask, FlashExitCodesInAnsiblesWords) {
  const struct {
    const char* code;
    bool changed;
    bool failed;
    bool reboot;
    const char* outcome;
  } cases[] = {
      {"1", true, false, true, "applied"},       {"3", false, false, false, "nothing_done"},
      {"7", false, true, false, "failed"},       {"0", false, true, false, "engine_exit"},
      {"12", false, true, false, "engine_exit"}, {"200", false, true, false, "engine_exit"},
  };
  set("report.xml", report({"rewrite", "upgrade"}));
  for (const auto& c : cases) {
    set("flash.exit", c.code);
    const Answer answer = run();
    EXPECT_EQ(answer.changed, c.changed) << c.code;
    EXPECT_EQ(answer.failed, c.failed) << c.code;
    EXPECT_EQ(answer.reboot_required, c.reboot) << c.code;
    EXPECT_EQ(answer.outcome, c.outcome) << c.code;
    EXPECT_TRUE(answer.hasRc);
    EXPECT_EQ(answer.rc, std::stoi(c.code));
    EXPECT_TRUE(answer.pending);
  }
  EXPECT_EQ(calls().find("/s /f"), std::string::npos);
}

TEST_F(FirmwareTask, FlashFailureNamesTheComponentsLastWord) {
  set("report.xml", report({"upgrade"}));
  set("flash.log", "Flash Engine exit code: 2\nFlash complete [7]\n");
  set("flash.exit", "7");
  EXPECT_EQ(run().msg, "the update failed (exit code 7): Flash Engine exit code: 2" + kNoRecord);
  set("flash.exit", "12");
  EXPECT_EQ(run().msg,
            "the flash engine ended with its own exit code 12: Flash Engine exit code: 2" + kNoRecord);
}

TEST_F(FirmwareTask, NothingPendingRunsNoFlash) {
  set("report.xml", report({"rewrite", "downgrade"}));
  const Answer answer = run();
  EXPECT_EQ(answer.outcome, "nothing_done");
  EXPECT_FALSE(answer.changed);
  EXPECT_FALSE(answer.failed);
  EXPECT_FALSE(answer.pending);
  EXPECT_EQ(answer.rc, 3);
  EXPECT_EQ(answer.devices.size(), 2u);
  EXPECT_EQ(answer.devices[1].items[0].action, "downgrade");
  EXPECT_EQ(calls().find("/d"), 3u);
  EXPECT_EQ(calls().find('\n'), calls().size() - 1) << "one run only: " << calls();
}

TEST_F(FirmwareTask, ForceFlashesWhateverTheVersionsButNeedsADevice) {
  options_.force = true;
  set("report.xml", report({"rewrite"}));
  Answer answer = run();
  EXPECT_TRUE(answer.pending);
  EXPECT_EQ(answer.outcome, "applied");
  EXPECT_NE(calls().find("/s /f\n"), std::string::npos);

  set("report.xml", report({}));
  answer = run();
  EXPECT_FALSE(answer.pending);
  EXPECT_EQ(answer.outcome, "nothing_done");
}

TEST_F(FirmwareTask, CheckModeAndReportedTouchNoFirmware) {
  set("report.xml", report({"upgrade"}));
  options_.checkMode = true;
  Answer answer = run();
  EXPECT_EQ(answer.outcome, "would_apply");
  EXPECT_TRUE(answer.changed);
  EXPECT_FALSE(answer.reboot_required);
  EXPECT_EQ(answer.rc, 3);

  options_.checkMode = false;
  options_.state = "reported";
  answer = run();
  EXPECT_EQ(answer.outcome, "reported");
  EXPECT_FALSE(answer.changed);
  EXPECT_TRUE(answer.pending);
  EXPECT_EQ(answer.msg, "1 supported adapter(s), 1 upgrade(s) pending" + kNoRecord);

  set("report.xml", report({"rewrite"}));
  options_.state = "updated";
  options_.checkMode = true;
  answer = run();
  EXPECT_EQ(answer.outcome, "nothing_done");
  EXPECT_FALSE(answer.changed);
  EXPECT_EQ(calls().find("/s\n"), std::string::npos) << calls();
}

TEST_F(FirmwareTask, FailedReportRunSaysWhatTheLogSays) {
  set("report.log",
      "---------------------------------------------------\nLoading references...done.\n"
      "Performing discovery...\nWARNING! : No supported adapters found.\n");
  set("report.exit", "7");
  const Answer answer = run();
  EXPECT_TRUE(answer.failed);
  EXPECT_EQ(answer.outcome, "failed");
  EXPECT_EQ(answer.rc, 7);
  EXPECT_EQ(answer.msg,
            "the report run failed (exit code 7): WARNING! : No supported adapters found." + kNoRecord);
  ASSERT_EQ(answer.log.size(), 4u);
  EXPECT_EQ(answer.stdout_lines.at(0).rfind("printed: /s /d /", 0), 0u);
}

TEST_F(FirmwareTask, LogHoldsOnlyThisCallsLines) {
  testsupport::makeDirs(root_ / "var/vlx");
  writeFile(root_ / "var/vlx/Component.log", "an earlier run\n");
  set("report.xml", report({"upgrade"}));
  set("report.log", "report line\n");
  set("flash.log", "flash line\nFlash complete [1]\n");
  const Answer answer = run();
  EXPECT_EQ(answer.log, (std::vector<std::string>{"report line", "flash line", "Flash complete [1]"}));
}

// The component refuses a log that is a FIFO or a link to one (this stand-in
// writes none), and so does the module: the call is answered, with a warning
// in place of the lines.
TEST_F(FirmwareTask, ALogThatIsNoRegularFileIsLeftOut) {
  set("report.xml", report({"upgrade"}));
  set("flash.exit", "7");
  const std::string log = root_ / "var/vlx/Component.log";
  testsupport::makeDirs(root_ / "var/vlx");
  ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0600), 0);
  for (const bool link : {false, true}) {
    (void)std::remove(log.c_str());
    ASSERT_EQ(link ? symlink((root_ / "fifo").c_str(), log.c_str()) : mkfifo(log.c_str(), 0600), 0);
    const Answer answer = run();
    EXPECT_EQ(answer.outcome, "failed") << link;
    EXPECT_EQ(answer.msg, "the update failed (exit code 7)" + kNoRecord) << link;
    EXPECT_TRUE(answer.log.empty()) << link;
    EXPECT_EQ(answer.warnings, std::vector<std::string>{"the component log " + log +
                                                        " is not a regular file; the lines of this call are "
                                                        "left out"})
        << link;
  }
}

TEST_F(FirmwareTask, UnreadableReports) {
  const std::string pending = report({"upgrade"});
  const struct {
    const char* xml;  // nullptr: none written
    bool gzipped;     // no report the component writes: it is never inflated
    const char* message;
  } cases[] = {
      {nullptr, false, "was not written"},
      {"<tarvo_rom_discovery><devices>", false, "is not well-formed XML"},
      {"<?xml version=\"1.0\"?><other><devices/></other>", false, "is not a self-discovery report"},
      {"<?xml version=\"1.0\"?><tarvo_rom_discovery/>", false, "is not a self-discovery report"},
      {pending.c_str(), true, "is not well-formed XML"},
  };
  for (const auto& c : cases) {
    (void)std::remove((pkg_ / "report.xml").c_str());
    (void)std::remove((pkg_ / "report.gz").c_str());
    if (c.xml != nullptr) set("report.xml", c.xml);
    if (c.gzipped) set("report.gz", "");
    const Answer answer = run();
    EXPECT_TRUE(answer.failed);
    EXPECT_EQ(answer.outcome, "failed");
    EXPECT_NE(answer.msg.find(c.message), std::string::npos) << answer.msg;
    EXPECT_EQ(calls().find("/s\n"), std::string::npos) << "no flash after an unreadable report";
  }
}

TEST_F(FirmwareTask, TheReportFolderGoesWithWhatIsInIt) {
  const testsupport::TempDir tmp;
  options_.tmpDir = tmp.path();
  set("report.xml", report({"rewrite"}));
  set("report.litter", "");
  EXPECT_EQ(run().outcome, "nothing_done");
  EXPECT_NE(calls().find(tmp.path() + "/fc_firmware."), std::string::npos) << calls();
  EXPECT_EQ(testsupport::runIn(tmp.path(), "ls -A").out, "");
}

TEST_F(FirmwareTask, MissingPackageOrExecutable) {
  options_.packageDir = pkg_ / "absent";
  EXPECT_EQ(run().msg, "package_dir " + (pkg_ / "absent") + " is not a directory");
  options_.packageDir = pkg_.path();
  options_.component = "emulex";
  EXPECT_EQ(run().msg, "the executable " + (pkg_ / "fcupdate-emulex") + " does not exist");
  options_.executable = "fcupdate";
  set("report.xml", report({}));
  EXPECT_EQ(run().outcome, "nothing_done") << "a relative executable is found in the package";
  chmod((pkg_ / "fcupdate").c_str(), 0644);
  const Answer answer = run();
  EXPECT_EQ(answer.msg, "the executable " + (pkg_ / "fcupdate") + " is not executable");
  EXPECT_FALSE(answer.hasRc);
}

TEST_F(FirmwareTask, AComponentThatCannotStartOrIsKilled) {
  set("fcupdate", "#!/nonexistent/interpreter\n");
  Answer answer = run();
  EXPECT_TRUE(answer.failed);
  EXPECT_NE(answer.msg.find("cannot run " + (pkg_ / "fcupdate")), std::string::npos) << answer.msg;

  set("fcupdate", kFakeComponent);
  set("report.xml", report({"upgrade"}));
  set("flash.signal", "TERM");
  answer = run();
  EXPECT_TRUE(answer.failed);
  EXPECT_EQ(answer.rc, -15);
  EXPECT_EQ(answer.msg, pkg_ / "fcupdate" + " was ended by signal 15");
}

TEST_F(FirmwareTask, HostsOwnRootUnsetsTheVariable) {
  const testsupport::ScopedEnv env("FCUPDATE_ROOT", root_.path());
  options_.hasSystemRoot = false;
  set("fcupdate", "#!/bin/sh\necho \"root=[${FCUPDATE_ROOT-unset}]\"\nexit 7\n");
  const Answer answer = run();
  EXPECT_EQ(answer.stdout_lines, std::vector<std::string>{"root=[unset]"});
}

TEST(RunModule, ArgumentsFileProblemsStillAnswer) {
  const char* none[] = {"fc_firmware"};
  EXPECT_EQ(runModule(1, none).msg, "no arguments file given: fc_firmware ARGS_FILE");
  const char* missing[] = {"fc_firmware", "/nonexistent/args"};
  EXPECT_EQ(runModule(2, missing).msg, "cannot read the arguments file /nonexistent/args");
  testsupport::TempDir dir;
  writeFile(dir / "args", std::string(2 << 20, ' '));
  const std::string path = dir / "args";
  const char* large[] = {"fc_firmware", path.c_str()};
  EXPECT_EQ(runModule(2, large).msg, "the arguments file " + path + " is larger than 1 MB");
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& odd : {fifo, dir.path(), std::string("/dev/zero")}) {
    const char* notRegular[] = {"fc_firmware", odd.c_str()};
    EXPECT_EQ(runModule(2, notRegular).msg, "the arguments file " + odd + " is not a regular file");
  }
  writeFile(dir / "args", R"({"package_dir": "/nonexistent/pkg", "_ansible_check_mode": true})");
  const Answer answer = runModule(2, large);
  EXPECT_TRUE(answer.failed);
  EXPECT_EQ(answer.msg, "package_dir /nonexistent/pkg is not a directory");
}

}  // namespace
}  // namespace fleet
