// Running one process and measuring it apart from the children it waited
// for: wall time, its own CPU time and peak memory, and its children's CPU.
#pragma once

#include <string>
#include <vector>

namespace wholerun {

struct Invocation {
  std::string executable;
  std::vector<std::string> arguments;
  std::string workDir;
  std::vector<std::string> environment;  // "NAME=value", replacing inherited ones of that name
  std::string outputPath;                // standard output; standard error goes to outputPath + ".err"
  std::string probePath;                 // the usage probe to preload; empty: own usage unknown
};

struct ProcessUsage {
  int exitCode = -1;  // -1 when the process did not exit normally
  double wallMs = 0;
  double treeCpuMs = 0;    // user+sys of the process and every child it waited for
  double ownCpuMs = -1;    // user+sys of the process alone; -1 when unknown
  long ownPeakRssKb = -1;  // peak resident memory of the process alone; -1 when unknown
  long treePeakRssKb = 0;  // the largest peak of the process and its children

  double childCpuMs() const { return ownCpuMs < 0 ? -1 : treeCpuMs - ownCpuMs; }
};

// False with a message in error when the process could not be started.
bool runMeasured(const Invocation& invocation, ProcessUsage& usage, std::string& error);

// The environment of this process with the given "NAME=value" entries in
// place of inherited ones of the same name.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides);

}  // namespace wholerun
