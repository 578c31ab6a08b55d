// rxprobe entry point; the protocol lives in regex/testing/probe.cpp.
#include <cstdio>
#include <string>
#include <vector>

#include "regex/testing/probe.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  rxprobe::Options options;
  std::string error;
  if (!rxprobe::parseArgs(args, &options, &error)) {
    (void)std::fputs(error.c_str(), stderr);
    return rxprobe::kExitUsage;
  }
  return rxprobe::runProbe(options, stdin, stdout);
}
