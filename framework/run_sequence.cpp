// Command-line parsing, the usage text and the run sequence with its exit codes.
#include "framework/run_sequence.h"

#include <strings.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "framework/history_command.h"
#include "framework/run_exit.h"
#include "framework/run_history.h"
#include "framework/run_signals.h"
#include "support/child_groups.h"
#include "support/console.h"

namespace {

bool isAny(const char* arg, std::initializer_list<const char*> forms) {
  for (const char* form : forms) {
    if (std::strcmp(arg, form) == 0) return true;
  }
  return false;
}

// What follows the switch mark of an option-like argument: one "/" or any
// number of "-"; nullptr for an argument that is not option-like.
const char* switchWord(const char* arg) {
  if (*arg == '/') return arg + 1;
  if (*arg != '-') return nullptr;
  while (*arg == '-') ++arg;
  return arg;
}

// "/h" in another letter case or with other dashes, or "help" or "?" so
// written ("--help", "/?", "-HELP"): a request for help must never flash.
bool isHelpRequest(const char* arg) {
  const char* word = switchWord(arg);
  return word != nullptr &&
         (strcasecmp(word, "h") == 0 || strcasecmp(word, "help") == 0 || std::strcmp(word, "?") == 0);
}

// "/d" in another letter case or with other dashes, alone or with "=" or ":"
// and a path ("/D", "--d", "-d=r.xml", "/d:r.xml"): a report switch typed
// wrong must never flash.
bool isMistypedReportSwitch(const char* arg) {
  const char* word = switchWord(arg);
  return word != nullptr && (word[0] == 'd' || word[0] == 'D') &&
         (word[1] == '\0' || word[1] == '=' || word[1] == ':');
}

// Report mode: the decision is not made and nothing is flashed.
int writeReport(CBaseCmp& c) {
  c.log.write("Generating self-discovery XML...");
  c.facts.reportWritten = c.writeDiscoveryReport();
  if (!c.facts.reportWritten) c.log.write("FAILED!\n");
  c.log.write("done.\n");
  return kExitNothingDone;
}

int flashIfWanted(CBaseCmp& c) {
  if (c.updateDecision() != UpdateDecision::Upgrade && !c.options.force) {
    c.log.write("NOTICE : No operation was done.\n");
    return kExitNothingDone;
  }
  if (!c.hasDiscoveredDevices()) {
    c.log.write("ERROR! : No supported hardware was found.\n");
    return kExitNothingDone;
  }
  c.log.write("Performing flash -- DO NOT INTERRUPT!\n");
  const int result = c.flash();
  c.log.write("Flash complete [").write(result).write("]\n");
  return result;
}

RunLockStory lockStory(RunLock::State state) {
  switch (state) {
    case RunLock::State::Held:
      return RunLockStory::Held;
    case RunLock::State::Unavailable:
      return RunLockStory::Unavailable;
    case RunLock::State::TimedOut:
      return RunLockStory::TimedOut;
    case RunLock::State::Interrupted:
      return RunLockStory::Interrupted;
  }
  return RunLockStory::Unavailable;
}

// "--history" anywhere: the run only reads its history, whatever else the
// command line says.
bool asksForHistory(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && std::strcmp(argv[i], "--history") == 0) return true;
  }
  return false;
}

// Ends with 3 once printed; words beside it that do not fit make the
// command line malformed, as for any other.
int printHistory(int argc, const char* const* argv) {
  std::vector<std::string> words;
  bool seen = false;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    if (!seen && std::strcmp(argv[i], "--history") == 0) {
      seen = true;
    } else {
      words.push_back(argv[i]);
    }
  }
  std::ostringstream out;
  if (runHistoryCommand(words, out) == HistoryCommand::ParseFailure) {
    printUsage();
    writeStdout("ERROR! : Failed to parse command line\n");
    return kExitFailed;
  }
  writeStdout(out.str());
  return kExitNothingDone;
}

}  // namespace

void printUsage() {
  writeStdout(
      "QZXXXXXX.zxrun [options]\n"
      "    options\n"
      "    --------------------------\n"
      "    /f = Force the installation\n"
      "    /s = Execute silently\n"
      "    /d [path] = Perform self-discovery and output to [path]\n");
}

CommandLineResult parseCommandLine(CBaseCmp& c, int argc, const char* const* argv) {
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg == nullptr) continue;
    if (isAny(arg, {"/s", "-s"})) c.setSilent();
    if (isAny(arg, {"/f", "-f", "/e", "-e", "/g", "-g"})) c.options.force = true;
    if (isAny(arg, {"/h", "-h"}) || isHelpRequest(arg)) {
      printUsage();
      return CommandLineResult::UsageShown;
    }
    if (std::strcmp(arg, "--version") == 0) return CommandLineResult::VersionWanted;
    if (isAny(arg, {"/d", "-d"})) {
      c.options.discovery = true;
      if (i + 1 >= argc || argv[i + 1] == nullptr) {
        printUsage();
        return CommandLineResult::Malformed;
      }
      // The path is not consumed: it is examined as an option in its own right.
      c.options.reportPath = argv[i + 1];
    } else if (isMistypedReportSwitch(arg)) {
      printUsage();
      return CommandLineResult::Malformed;
    }
  }
  return CommandLineResult::Run;
}

int runSequence(CBaseCmp& c, const RunLock* lock) {
  // A signal that stopped the run leaves nothing more to do: the log and
  // the console have said so, and no child may start.
  if (runStopping()) return kExitFailed;
  c.log.write("---------------------------------------------------\n");
  if (lock != nullptr) lock->reportInLog(c.log);
  c.log.write("Loading references...");
  if (!loadReferenceCatalogue(c.catalogue, c.facts.catalogue)) {
    c.log.write("FAILED!\n");
    return kExitFailed;
  }
  c.log.write("done.\n");
  c.log.write("Performing discovery...\n");
  c.detectPlatform();
  if (!c.discover() || runStopping()) return kExitFailed;
  const int result = c.reportMode() ? writeReport(c) : flashIfWanted(c);
  return runStopping() ? kExitFailed : result;
}

int runComponent(CBaseCmp& c, const ProgramIdentity& program, int argc, const char* const* argv) {
  if (asksForHistory(argc, argv)) return printHistory(argc, argv);
  RunHistory history(program.name, program.version, program.component, argc, argv);
  switch (parseCommandLine(c, argc, argv)) {
    case CommandLineResult::Malformed:
      writeStdout("ERROR! : Failed to parse command line\n");
      history.story.parseFailed = true;
      history.recordEnded(c, kExitFailed, false);
      return kExitFailed;
    case CommandLineResult::UsageShown:
      return kExitNothingDone;
    case CommandLineResult::VersionWanted:
      writeStdout(std::string(program.name) + " " + program.version + "\n");
      return kExitNothingDone;
    case CommandLineResult::Run:
      break;
  }
  // Held until the exit code is known; released when the process ends.
  const RunLock lock(c.log);
  history.story.lock = lockStory(lock.state());
  history.story.lockWaitMs = lock.waitedMilliseconds();
  history.story.lockBoundSeconds = runLockWaitSeconds();
  history.story.lockSignal = lock.interruptingSignal();
  const bool held = lock.state() == RunLock::State::Held;
  if (!lock.mayRun()) {
    history.recordEnded(c, kExitFailed, false);
    return kExitFailed;
  }
  watchRunSignals(c.log);
  history.recordStarted(c, held);
  const int exitCode = runSequence(c, &lock);
  history.recordEnded(c, exitCode, held);
  return exitCode;
}
