// The command line and the one fixed sequence every run follows.
#pragma once

#include "framework/base_component.h"
#include "framework/run_lock.h"

// What the command line asks for; the first three values are those the run
// has always used.
enum class CommandLineResult {
  Malformed = 0,      // "/d" without a path, or a mistyped report switch: usage shown
  Run = 1,            // run the sequence
  UsageShown = 2,     // "/h", or another spelling of a help request
  VersionWanted = 3,  // "--version"
};

// The executable as built, for "--version".
struct ProgramIdentity {
  const char* name;       // "fcupdate", "fcupdate-emulex", "fcupdate-brocade"
  const char* version;    // the project's version
  const char* component;  // "qlogic", "emulex", "brocade"
};

CommandLineResult parseCommandLine(CBaseCmp& component, int argc, const char* const* argv);

void printUsage();

// Catalogue, platform, discovery, then the report or the decision and flash;
// returns the process exit code. The run lock's news, if any, follows the
// banner in the log.
int runSequence(CBaseCmp& component, const RunLock* lock = nullptr);

// The whole process: parse, take the run lock, run, with the exit code of
// the entry point; "--history" instead prints the run history. Every run
// that parses, and every one that does not, leaves its records in the run
// history and a line in the system log.
int runComponent(CBaseCmp& component, const ProgramIdentity& program, int argc, const char* const* argv);
