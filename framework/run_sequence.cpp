// Command-line parsing, the usage text and the run sequence with its exit codes.
#include "framework/run_sequence.h"

#include <cstring>

#include "framework/run_exit.h"
#include "support/console.h"

namespace {

bool isAny(const char* arg, std::initializer_list<const char*> forms) {
  for (const char* form : forms) {
    if (std::strcmp(arg, form) == 0) return true;
  }
  return false;
}

// Report mode: the decision is not made and nothing is flashed.
int writeReport(CBaseCmp& c) {
  c.log.write("Generating self-discovery XML...");
  if (!c.writeDiscoveryReport()) c.log.write("FAILED!\n");
  c.log.write("done.\n");
  return kExitNothingDone;
}

int flashIfWanted(CBaseCmp& c) {
  if (c.updateDecision() != UpdateDecision::Upgrade && !c.force) {
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
    if (isAny(arg, {"/s", "-s"})) {
      c.silent = true;
      c.log.quiet = true;
    }
    if (isAny(arg, {"/f", "-f", "/e", "-e", "/g", "-g"})) c.force = true;
    if (isAny(arg, {"/h", "-h"})) {
      printUsage();
      return CommandLineResult::UsageShown;
    }
    if (isAny(arg, {"/d", "-d"})) {
      c.discovery = true;
      if (i + 1 >= argc || argv[i + 1] == nullptr) {
        printUsage();
        return CommandLineResult::Malformed;
      }
      // The path is not consumed: it is examined as an option in its own right.
      c.reportPath = argv[i + 1];
    }
  }
  return CommandLineResult::Run;
}

int runSequence(CBaseCmp& c) {
  c.log.write("---------------------------------------------------\n");
  c.log.write("Loading references...");
  if (!loadReferenceCatalogue(c.catalogue)) {
    c.log.write("FAILED!\n");
    return kExitFailed;
  }
  c.log.write("done.\n");
  c.log.write("Performing discovery...\n");
  c.detectPlatform();
  if (!c.discover()) return kExitFailed;
  if (c.discovery) return writeReport(c);
  return flashIfWanted(c);
}

int runComponent(CBaseCmp& c, int argc, const char* const* argv) {
  switch (parseCommandLine(c, argc, argv)) {
    case CommandLineResult::Malformed:
      writeStdout("ERROR! : Failed to parse command line\n");
      return kExitFailed;
    case CommandLineResult::UsageShown:
      return kExitNothingDone;
    case CommandLineResult::Run:
      break;
  }
  return runSequence(c);
}
