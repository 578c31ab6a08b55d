// whole_run_bench: the cost of whole fcupdate runs on simulated servers with
// 1 to 128 QLogic adapters, the component's own work apart from the commands
// it runs. Prints one table; see run.sh.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/whole_run/fleet.h"
#include "bench/whole_run/process_usage.h"
#include "bench/whole_run/run_table.h"
#include "support/shell_quote.h"
#include "testing/sandbox.h"

namespace {

using wholerun::ProcessUsage;

const char kUsage[] =
    "usage: whole_run_bench --bin DIR [--sizes N,N,...] [--reps N] [--keep DIR] [--direct]\n"
    "  --bin DIR    the directory holding fcupdate\n"
    "  --sizes      the adapter counts to simulate (default 1,8,32,128)\n"
    "  --reps N     runs of each kind per size; the table shows medians (default 3)\n"
    "  --keep DIR   build the sandboxes below DIR and keep them, with each kind's\n"
    "               console, exit code, component log, report and engine calls\n"
    "  --direct     register the vendor library under a neutral path, so that every\n"
    "               adapter takes the direct route of the vendor extension\n";

struct Options {
  std::string binDir;
  std::vector<int> sizes{1, 8, 32, 128};
  int reps = 3;
  std::string keepDir;
  bool direct = false;
};

std::size_t countOf(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

bool listsEveryAdapter(const std::string& report, int adapters) {
  return countOf(report, "<fw_item>") == static_cast<std::size_t>(adapters);
}

bool calledOnce(const std::string& calls, int) { return countOf(calls, "\n") == 1; }

struct RunKind {
  const char* label;
  std::vector<std::string> arguments;
  int expectedExit;
  const char* produced;  // in the working directory
  bool (*complete)(const std::string& produced, int adapters);
  const char* incomplete;
};

const RunKind kRunKinds[] = {
    {"report",
     {"/d", "report.xml"},
     3,
     "report.xml",
     listsEveryAdapter,
     "the report does not list one item per adapter"},
    {"flash", {}, 1, "qlafwupdate.calls", calledOnce, "the flash engine was not called once"},
};

void sh(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::vector<int> parseSizes(const std::string& text) {
  std::vector<int> sizes;
  std::istringstream in(text);
  std::string piece;
  while (std::getline(in, piece, ',')) {
    const int n = std::atoi(piece.c_str());
    if (n < 1 || n > 256) throw std::runtime_error("adapter count out of 1..256: " + piece);
    sizes.push_back(n);
  }
  if (sizes.empty()) throw std::runtime_error("no adapter counts in --sizes");
  return sizes;
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--direct") {
      options.direct = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (arg == "--bin") {
      options.binDir = value;
    } else if (arg == "--sizes") {
      options.sizes = parseSizes(value);
    } else if (arg == "--reps") {
      options.reps = std::max(1, std::atoi(value.c_str()));
    } else if (arg == "--keep") {
      options.keepDir = value;
    } else {
      return false;
    }
  }
  return !options.binDir.empty();
}

std::string resolvedPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) throw std::runtime_error("cannot resolve " + path);
  std::string result = resolved;
  std::free(resolved);
  return result;
}

std::string absolutePath(const std::string& path) {
  testsupport::makeDirs(path);
  return resolvedPath(path);
}

std::unique_ptr<testsupport::Sandbox> newSandbox(const Options& options, int adapters) {
  if (options.keepDir.empty()) return std::make_unique<testsupport::Sandbox>();
  const std::string dir = absolutePath(options.keepDir + "/" + std::to_string(adapters));
  sh("rm -rf " + shellQuote(dir + "/root") + " " + shellQuote(dir + "/work"));
  return std::make_unique<testsupport::Sandbox>(absolutePath(dir + "/root"), absolutePath(dir + "/work"));
}

// Every run starts from the same state: no log, no report, no engine calls.
void resetOutputs(const testsupport::Sandbox& box) {
  std::string command = "rm -rf " + shellQuote(box.root() + "/var/vlx");
  for (const RunKind& kind : kRunKinds) command += " " + shellQuote(box.work() + "/" + kind.produced);
  sh(command);
}

// A run that did not do the whole job measures nothing worth reporting.
void checkOutcome(const testsupport::Sandbox& box, const RunKind& kind, int adapters,
                  const ProcessUsage& usage) {
  std::string problem;
  if (usage.exitCode != kind.expectedExit) {
    problem =
        "exit code " + std::to_string(usage.exitCode) + ", expected " + std::to_string(kind.expectedExit);
  } else if (!kind.complete(testsupport::readFile(box.work() + "/" + kind.produced), adapters)) {
    problem = kind.incomplete;
  } else if (usage.ownCpuMs < 0) {
    problem = "the usage probe wrote nothing";
  }
  if (!problem.empty()) {
    // The sandbox goes with the exception unless --keep holds it, so the
    // component's own first complaint travels with the message.
    const std::string err = testsupport::readFile(box.work() + "/console.txt.err");
    throw std::runtime_error(std::string(kind.label) + " run with " + std::to_string(adapters) +
                             " adapters: " + problem +
                             "; its standard error began: " + err.substr(0, err.find('\n')));
  }
}

// What a run left, under names that a diff of two kept trees lines up.
void keepOutputs(const testsupport::Sandbox& box, const RunKind& kind, const ProcessUsage& usage) {
  const std::string prefix = box.work().substr(0, box.work().rfind('/')) + "/" + kind.label;
  testsupport::writeFile(prefix + ".exit", std::to_string(usage.exitCode) + "\n");
  sh("cp " + shellQuote(box.work() + "/console.txt") + " " + shellQuote(prefix + ".console"));
  sh("cp " + shellQuote(box.root() + "/var/vlx/Component.log") + " " + shellQuote(prefix + ".log"));
  sh("cp " + shellQuote(box.work() + "/" + kind.produced) + " " + shellQuote(prefix + "." + kind.produced));
}

ProcessUsage measureKind(const Options& options, const testsupport::Sandbox& box, const RunKind& kind,
                         int adapters) {
  wholerun::Invocation invocation;
  invocation.executable = options.binDir + "/fcupdate";
  invocation.arguments = kind.arguments;
  invocation.workDir = box.work();
  invocation.environment = {"FCUPDATE_ROOT=" + box.root()};
  invocation.outputPath = box.work() + "/console.txt";
  invocation.probePath = WHOLE_RUN_PROBE;
  std::vector<ProcessUsage> samples;
  for (int rep = 0; rep < options.reps; ++rep) {
    resetOutputs(box);
    ProcessUsage usage;
    std::string error;
    if (!wholerun::runMeasured(invocation, usage, error)) throw std::runtime_error(error);
    checkOutcome(box, kind, adapters, usage);
    samples.push_back(usage);
  }
  if (!options.keepDir.empty()) keepOutputs(box, kind, samples.back());
  return wholerun::medianUsage(samples);
}

int run(const Options& options) {
  std::vector<wholerun::TableRow> rows;
  for (int adapters : options.sizes) {
    std::unique_ptr<testsupport::Sandbox> box = newSandbox(options, adapters);
    if (options.direct) box->setRoute(testsupport::Vendor::QLogic, testsupport::Route::Direct);
    wholerun::buildFleet(*box, adapters, WHOLE_RUN_STANDINS);
    for (const RunKind& kind : kRunKinds) {
      rows.push_back({adapters, kind.label, measureKind(options, *box, kind, adapters)});
      (void)std::fprintf(stderr, "measured %s with %d adapters\n", kind.label, adapters);
    }
  }
  (void)std::fputs(wholerun::formatTable(rows, options.reps).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Options options;
    if (!parseOptions(argc, argv, options)) {
      (void)std::fputs(kUsage, stderr);
      return 64;
    }
    options.binDir = resolvedPath(options.binDir);
    return run(options);
  } catch (const std::exception& failure) {
    (void)std::fprintf(stderr, "whole_run_bench: %s\n", failure.what());
    return 1;
  }
}
