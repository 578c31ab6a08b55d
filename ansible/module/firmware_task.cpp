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

#include "ansible/module/component_process.h"
#include "ansible/module/log_lines.h"
#include "ansible/module/read_only_file.h"

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

class Call {
 public:
  Call(const ModuleOptions& options, std::string program)
      : options_(options), program_(std::move(program)), logPath_(componentLogPath(options.systemRoot)) {
    logStart_ = logSize(logPath_);
  }

  Answer run() {
    reportAndDecide();
    LogRead read = logLinesSince(logPath_, logStart_);
    answer_.log = std::move(read.lines);
    if (!read.refusal.empty()) answer_.warnings.push_back(read.refusal);
    return answer_;
  }

 private:
  void reportAndDecide() {
    const ReportFolder folder(tempBase(options_));
    if (!folder.made())
      return fail(std::string("cannot create a folder for the report: ") + std::strerror(errno));
    if (!runComponent({"/s", "/d", folder.report()})) return;
    if (answer_.rc != 3) return failReportRun();
    std::string error;
    if (!readDiscoveryReport(folder.report(), answer_.devices, error)) return fail(error);
    answer_.pending = updatePending(answer_.devices, options_.force);
    decide();
  }

  void decide() {
    if (options_.state == "reported") return finish("reported", reportSummary());
    if (!answer_.pending) return finish("nothing_done", "nothing to update");
    if (options_.checkMode) {
      answer_.changed = true;
      return finish("would_apply", "an update would be applied");
    }
    std::vector<std::string> args = {"/s"};
    if (options_.force) args.push_back("/f");
    const long long flashStart = logSize(logPath_);
    if (!runComponent(args)) return;
    mapFlashExit(flashStart);
  }

  void mapFlashExit(long long flashStart) {
    const int rc = answer_.rc;
    if (rc == 1) {
      answer_.changed = true;
      answer_.reboot_required = true;
      return finish("applied", "the firmware was updated; a reboot makes it take effect");
    }
    if (rc == 3) return finish("nothing_done", "the component did nothing (exit code 3)");
    answer_.failed = true;
    const std::string said = lastMessage(logLinesSince(logPath_, flashStart).lines);
    if (rc == 7) return finish("failed", "the update failed (exit code 7)" + said);
    finish("engine_exit", "the flash engine ended with its own exit code " + std::to_string(rc) + said);
  }

  // Under /s the component's message is only in the log.
  void failReportRun() {
    answer_.failed = true;
    const std::string said = lastMessage(logLinesSince(logPath_, logStart_).lines);
    finish("failed", "the report run failed (exit code " + std::to_string(answer_.rc) + ")" + said);
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

  bool runComponent(const std::vector<std::string>& args) {
    ChildCommand command;
    command.program = program_;
    command.args = args;
    command.dir = options_.packageDir;
    command.hasRoot = options_.hasSystemRoot;
    command.root = options_.systemRoot;
    const ProcessResult result = runProcess(command);
    for (const std::string& line : splitLines(result.output)) answer_.stdout_lines.push_back(line);
    if (!result.started) {
      fail(result.error);
      return false;
    }
    answer_.hasRc = true;
    answer_.rc = result.exitCode;
    if (result.signalled) {
      fail(program_ + " was ended by signal " + std::to_string(-result.exitCode));
      return false;
    }
    return true;
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
  long long logStart_ = 0;
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
