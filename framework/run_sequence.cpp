// Command-line parsing, the usage text and the run sequence with its exit codes.
#include "framework/run_sequence.h"

#include <strings.h>

#include <cstring>

#include "framework/run_exit.h"
#include "framework/run_signals.h"
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
  if (!c.writeDiscoveryReport()) c.log.write("FAILED!\n");
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
  if (!c.discover()) return kExitFailed;
  if (c.reportMode()) return writeReport(c);
  return flashIfWanted(c);
}

int runComponent(CBaseCmp& c, const ProgramIdentity& program, int argc, const char* const* argv) {
  switch (parseCommandLine(c, argc, argv)) {
    case CommandLineResult::Malformed:
      writeStdout("ERROR! : Failed to parse command line\n");
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
  if (!lock.mayRun()) return kExitFailed;
  watchRunSignals(c.log);
  return runSequence(c, &lock);
}
