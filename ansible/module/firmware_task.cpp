// One call of the module: the report run, the decision, the flash, and the
// component's exit codes said in Ansible's words.
#include "ansible/module/firmware_task.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ansible/module/call_records.h"
#include "ansible/module/component_process.h"
#include "ansible/module/flash_history.h"
#include "ansible/module/log_lines.h"
#include "ansible/module/read_only_file.h"
#include "ansible/module/run_history.h"
#include "ansible/module/run_verdict.h"

namespace fleet {

namespace {

// Arguments files are a few hundred bytes; anything past this is not one.
constexpr size_t kArgumentsBound = 1 << 20;

std::string absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char buffer[4096];
  if (getcwd(buffer, sizeof buffer) == nullptr) return path;
  return std::string(buffer) + "/" + path;
}

bool checkPackage(const ModuleOptions& options, const std::string& program, std::string& error) {
  struct stat info {};
  if (stat(options.packageDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = "package_dir " + options.packageDir + " is not a directory";
    return false;
  }
  if (stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "the executable " + program + " does not exist";
    return false;
  }
  if (access(program.c_str(), X_OK) != 0) {
    error = "the executable " + program + " is not executable";
    return false;
  }
  return true;
}

// A private folder for the report, so that no other user can plant or read it.
class ReportFolder {
 public:
  explicit ReportFolder(const std::string& base) {
    std::string pattern = (base.empty() ? std::string("/tmp") : base) + "/fc_firmware.XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) path_ = pattern;
  }
  // Whatever the component left here goes too: the report, or the temporary
  // file of a report write that failed.
  ~ReportFolder() {
    if (path_.empty()) return;
    if (DIR* dir = opendir(path_.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") (void)unlink((path_ + "/" + name).c_str());
      }
      (void)closedir(dir);
    }
    (void)rmdir(path_.c_str());
  }
  ReportFolder(const ReportFolder&) = delete;
  ReportFolder& operator=(const ReportFolder&) = delete;
  bool made() const { return !path_.empty(); }
  std::string report() const { return path_ + "/report.xml"; }

 private:
  std::string path_;
};

std::string tempBase(const ModuleOptions& options) {
  struct stat info {};
  if (!options.tmpDir.empty() && stat(options.tmpDir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return options.tmpDir;
  }
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// Said in msg when a run left no record: the call then knows only exit codes.
std::string withoutRecord(const std::string& why) {
  return " (the run history holds no record of the run" + (why.empty() ? "" : ": " + why) +
         "; the outcome follows the exit code alone)";
}

class Call {
 public:
  Call(const ModuleOptions& options, std::string program)
      : options_(options),
        program_(std::move(program)),
        logPath_(componentLogPath(options.systemRoot)),
        historyPath_(runHistoryPath(options.systemRoot)),
        olderHistoryPath_(olderRunHistoryPath(options.systemRoot)) {
    logStart_ = logSize(logPath_);
  }

  Answer run() {
    reportAndDecide();
    LogRead read = logLinesSince(logPath_, logStart_);
    answer_.log = std::move(read.lines);
    if (!read.refusal.empty()) answer_.warnings.push_back(read.refusal);
    // A call's output can run to a megabyte of short lines: moved, not copied.
    return std::move(answer_);
  }

 private:
  void reportAndDecide() {
    const ReportFolder folder(tempBase(options_));
    if (!folder.made()) {
      fail(std::string("cannot create a folder for the report: ") + std::strerror(errno));
      answer_.category = "configuration";
      return;
    }
    RunRecords report;
    if (!runComponent({"/s", "/d", folder.report()}, report)) return;
    takeReportRecord(report);
    if (answer_.rc != 3) return failReportRun(report);
    std::string error;
    if (!readDiscoveryReport(folder.report(), answer_.devices, error)) {
      fail(error);
      answer_.category = "configuration";
      return;
    }
    tieDevicesToAdapters(report.ended, answer_.devices);
    answer_.pending = updatePending(answer_.devices, options_.force);
    decide();
  }

  // The report run names the host's boot and the package; the host's history
  // says whether that package's last flash failed and a reboot is pending.
  void takeReportRecord(const RunRecords& report) {
    if (!report.found()) return;
    const nlohmann::json& record = report.ended.is_null() ? report.started : report.ended;
    answer_.boot_id = textOf(record, "boot_id");
    answer_.adapters = adapterSummary(report.ended);
    answer_.package = packageSummary(report, options_.packageDir);
    FlashHistoryJudge judge(packageOf(record), answer_.boot_id);
    (void)forEachHistoryLine(historyPath_, olderHistoryPath_,
                             [&judge](const std::string& line) { judge.line(line); });
    host_ = judge.verdict();
    answer_.reboot_pending = host_.rebootPending;
    answer_.held = host_.lastFlashFailed.found;
  }

  void decide() {
    if (options_.state == "reported") return finish("reported", reportSummary() + heldNote());
    if (!answer_.pending) return finish("nothing_done", "nothing to update" + recordNote_);
    if (answer_.held && !options_.retryFailed) return hold();
    if (options_.checkMode) {
      answer_.changed = true;
      return finish("would_apply", "an update would be applied" + recordNote_);
    }
    std::vector<std::string> args = {"/s"};
    if (options_.force) args.push_back("/f");
    const long long flashStart = logSize(logPath_);
    RunRecords flash;
    if (!runComponent(args, flash)) return;
    mapFlashExit(flashStart, flash);
  }

  // The update managers' rule: a failed flash is not retried unattended.
  void hold() {
    const FailedFlash& last = host_.lastFlashFailed;
    fail("held: the last flash of this package failed (run " + last.runId + ", " + last.when +
         ", exit code " + last.exitCode + ": " + last.reason +
         "); nothing was flashed. retry_failed: true (role variable fc_retry_failed) flashes anyway");
    answer_.outcome = "held";
    answer_.category = "held";
  }

  std::string heldNote() const {
    if (!answer_.held) return recordNote_;
    return "; the last flash of this package failed (" + host_.lastFlashFailed.when + ", exit code " +
           host_.lastFlashFailed.exitCode + "): an update is held" + recordNote_;
  }

  void mapFlashExit(long long flashStart, const RunRecords& flash) {
    const int rc = answer_.rc;
    const nlohmann::json& outcome = memberOf(flash.ended, "outcome");
    if (memberOf(flash.ended, "reboot_required") == nlohmann::json(true)) answer_.reboot_pending = true;
    if (rc == 1) {
      answer_.changed = true;
      answer_.reboot_required = true;
      answer_.reboot_pending = true;
      answer_.verification = "reboot_pending";
      return finish("applied", "the firmware was updated; a reboot makes it take effect" + recordNote_);
    }
    if (rc == 3) return finish("nothing_done", "the component did nothing (exit code 3)" + recordNote_);
    answer_.failed = true;
    const std::string reason = textOf(outcome, "reason");
    const std::string said =
        reason.empty() ? lastMessage(logLinesSince(logPath_, flashStart).lines) : ": " + reason;
    answer_.category = categoryOf(outcome, rc == 7 ? "flash" : "engine_exit");
    if (rc == 7) return finish("failed", "the update failed (exit code 7)" + said + recordNote_);
    finish("engine_exit",
           "the flash engine ended with its own exit code " + std::to_string(rc) + said + recordNote_);
  }

  // The record's cause names the category; without a record the exit code
  // alone says what it can.
  std::string categoryOf(const nlohmann::json& outcome, const char* byExitCode) const {
    std::string category = categoryOfCause(textOf(outcome, "cause"));
    if (!category.empty()) return category;
    return outcome.is_null() ? byExitCode : "unknown";
  }

  // Under /s the component's message is only in the log. A host without any
  // Fibre Channel adapter is no failure: most fleets have such hosts.
  void failReportRun(const RunRecords& report) {
    std::string reason;
    if (!report.ended.is_null() && hostHasNoAdapters(report.ended, reason)) {
      return finish("no_adapters", reason);
    }
    answer_.failed = true;
    const std::string prefix = "the report run failed (exit code " + std::to_string(answer_.rc) + ")";
    if (report.ended.is_null()) {
      answer_.category = "unknown";
      const std::string said = lastMessage(logLinesSince(logPath_, logStart_).lines);
      return finish("failed", prefix + said + recordNote_);
    }
    answer_.category = categoryOf(memberOf(report.ended, "outcome"), "unknown");
    finish("failed", prefix + ": " + reason);
  }

  // The last line that says something: not a separator, not the closing
  // "Flash complete [n]" that only repeats the exit code.
  static std::string lastMessage(const std::vector<std::string>& lines) {
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
      if (line->find_first_not_of(" \t-") == std::string::npos) continue;
      if (line->rfind("Flash complete [", 0) == 0) continue;
      return ": " + *line;
    }
    return "";
  }

  std::string reportSummary() const {
    size_t upgrades = 0;
    for (const DeviceInfo& device : answer_.devices) {
      for (const FirmwareItemInfo& item : device.items) upgrades += item.action == "upgrade" ? 1 : 0;
    }
    return std::to_string(answer_.devices.size()) + " supported adapter(s), " + std::to_string(upgrades) +
           " upgrade(s) pending";
  }

  bool runComponent(const std::vector<std::string>& args, RunRecords& records) {
    ChildCommand command;
    command.program = program_;
    command.args = args;
    command.dir = options_.packageDir;
    command.hasRoot = options_.hasSystemRoot;
    command.root = options_.systemRoot;
    const HistoryMark mark = markHistory(historyPath_);
    const ProcessResult result = runProcess(command);
    for (const std::string& line : splitLines(result.output)) answer_.stdout_lines.push_back(line);
    if (!result.started) {
      fail(result.error);
      answer_.category = "configuration";
      return false;
    }
    takeRecords(mark, result.pid, records);
    answer_.hasRc = true;
    answer_.rc = result.exitCode;
    if (result.signalled) {
      fail(program_ + " was ended by signal " + std::to_string(-result.exitCode));
      answer_.category = "interrupted";
      return false;
    }
    return true;
  }

  void takeRecords(const HistoryMark& mark, long pid, RunRecords& records) {
    const HistoryLines lines = historyLinesSince(historyPath_, olderHistoryPath_, mark);
    records = recordsOfProcess(lines.lines, pid);
    if (!records.found()) {
      recordNote_ = withoutRecord(lines.problem);
      return;
    }
    answer_.runs.push_back(runSummary(records));
    if (!options_.history) return;
    if (!records.started.is_null()) answer_.history.push_back(records.started);
    if (!records.ended.is_null()) answer_.history.push_back(records.ended);
  }

  void fail(const std::string& msg) {
    answer_.failed = true;
    answer_.changed = false;
    finish("failed", msg);
  }

  void finish(const char* outcome, const std::string& msg) {
    answer_.outcome = outcome;
    answer_.msg = msg;
  }

  const ModuleOptions& options_;
  const std::string program_;
  const std::string logPath_;
  const std::string historyPath_;
  const std::string olderHistoryPath_;
  long long logStart_ = 0;
  std::string recordNote_;  // why the outcome rests on exit codes alone
  HostHistory host_;
  Answer answer_;
};

bool readArguments(const char* path, std::string& text, std::string& error) {
  int failure = 0;
  switch (readWholeFile(path, Links::follow, kArgumentsBound, text, failure)) {
    case WholeFile::read:
      return true;
    case WholeFile::notRegular:
      error = std::string("the arguments file ") + path + " is not a regular file";
      return false;
    case WholeFile::tooLarge:
      error = std::string("the arguments file ") + path + " is larger than 1 MB";
      return false;
    case WholeFile::cannotOpen:
    case WholeFile::readFailed:
      break;
  }
  error = std::string("cannot read the arguments file ") + path;
  return false;
}

}  // namespace

Answer runFirmwareTask(const ModuleOptions& given) {
  ModuleOptions options = given;
  options.packageDir = absolute(options.packageDir);
  // The component resolves a relative root from the package folder, the log
  // is read from here: one absolute path serves both.
  if (!options.hasSystemRoot) options.systemRoot.clear();
  options.systemRoot = absolute(options.systemRoot);
  std::string program =
      options.executable.empty() ? componentExecutable(options.component) : options.executable;
  if (program.empty() || program[0] != '/') program = options.packageDir + "/" + program;
  std::string error;
  if (!checkPackage(options, program, error)) return failedAnswer(error);
  return Call(options, program).run();
}

Answer runModule(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr) return failedAnswer("no arguments file given: fc_firmware ARGS_FILE");
  std::string text;
  std::string error;
  ModuleOptions options;
  if (!readArguments(argv[1], text, error) || !parseModuleOptions(text, options, error)) {
    return failedAnswer(error);
  }
  return runFirmwareTask(options);
}

}  // namespace fleet
