// The command line and the one fixed sequence every run follows.
#pragma once

#include "framework/base_component.h"

// What the command line asks for; the values are those the run has always used.
enum class CommandLineResult {
  Malformed = 0,   // "/d" without a path: usage shown
  Run = 1,         // run the sequence
  UsageShown = 2,  // "/h"
};

CommandLineResult parseCommandLine(CBaseCmp& component, int argc, const char* const* argv);

void printUsage();

// Catalogue, platform, discovery, then the report or the decision and flash;
// returns the process exit code.
int runSequence(CBaseCmp& component);

// The whole process: parse, run, with the exit code of the entry point.
int runComponent(CBaseCmp& component, int argc, const char* const* argv);
