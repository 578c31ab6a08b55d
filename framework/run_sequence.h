// The command line and the one fixed sequence every run follows.
#pragma once

#include "framework/base_component.h"

// 1: parsed, run the sequence; 2: usage shown for "/h"; 0: "/d" without a path.
int parseCommandLine(CBaseCmp& component, int argc, const char* const* argv);

void printUsage();

// Catalogue, platform, discovery, then the report or the decision and flash;
// returns the process exit code.
int runSequence(CBaseCmp& component);

// The whole process: parse, run, with the exit code of the entry point.
int runComponent(CBaseCmp& component, int argc, const char* const* argv);
