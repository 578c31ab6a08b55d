#include "framework/run_sequence.h"

#include <cstring>

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
  return 3;
}

int flashIfWanted(CBaseCmp& c) {
  if (c.updateDecision() != 1 && !c.force) {
    c.log.write("NOTICE : No operation was done.\n");
    return 3;
  }
  if (!c.hasDiscoveredDevices()) {
    c.log.write("ERROR! : No supported hardware was found.\n");
    return 3;
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

int parseCommandLine(CBaseCmp& c, int argc, const char* const* argv) {
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
      return 2;
    }
    if (isAny(arg, {"/d", "-d"})) {
      c.discovery = true;
      if (i + 1 >= argc || argv[i + 1] == nullptr) {
        printUsage();
        return 0;
      }
      // The path is not consumed: it is examined as an option in its own right.
      c.reportPath = argv[i + 1];
    }
  }
  return 1;
}

int runSequence(CBaseCmp& c) {
  c.log.write("---------------------------------------------------\n");
  c.log.write("Loading references...");
  if (!loadReferenceCatalogue(c.catalogue)) {
    c.log.write("FAILED!\n");
    return 7;
  }
  c.log.write("done.\n");
  c.log.write("Performing discovery...\n");
  c.detectPlatform();
  if (!c.discover()) return 7;
  if (c.discovery) return writeReport(c);
  return flashIfWanted(c);
}

int runComponent(CBaseCmp& c, int argc, const char* const* argv) {
  switch (parseCommandLine(c, argc, argv)) {
    case 0:
      writeStdout("ERROR! : Failed to parse command line\n");
      return 7;
    case 2:
      return 3;
    default:
      return runSequence(c);
  }
}
