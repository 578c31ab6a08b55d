// Reading and running the regex case files.
#include "regex/testing/case_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "regex/testing/probe.h"

namespace rxcases {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// "--wide --flags 8 ^b" -> {"--wide", "--flags", "8", "^b"}: options are
// taken while they lead, the rest of the line is the pattern verbatim.
std::vector<std::string> probeArgs(std::string rest) {
  std::vector<std::string> args;
  for (;;) {
    if (startsWith(rest, "--wide ")) {
      args.push_back("--wide");
      rest = rest.substr(7);
    } else if (startsWith(rest, "--flags ") && rest.find(' ', 8) != std::string::npos) {
      size_t space = rest.find(' ', 8);
      args.push_back("--flags");
      args.push_back(rest.substr(8, space - 8));
      rest = rest.substr(space + 1);
    } else {
      break;
    }
  }
  args.push_back(rest == "''" ? std::string() : rest);
  return args;
}

std::string shellWord(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Standard error, which the engine writes its reports to, goes to a scratch
// file while the case runs.
class StderrCapture {
 public:
  StderrCapture() : file_(std::tmpfile()) {
    (void)std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    if (file_ && saved_ >= 0) (void)dup2(fileno(file_), STDERR_FILENO);
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  ~StderrCapture() {
    restore();
    if (file_) (void)std::fclose(file_);
  }
  std::string text() {
    restore();
    std::string out;
    if (!file_) return out;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) out.append(buffer, n);
    return out;
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    (void)std::fflush(stderr);
    (void)dup2(saved_, STDERR_FILENO);
    (void)close(saved_);
    saved_ = -1;
  }

  std::FILE* file_;
  int saved_ = -1;
};

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string Case::replay() const {
  std::string input;
  for (const std::string& s : subjects) input += (input.empty() ? "" : "\\n") + s;
  std::string command = "printf '%s\\n' " + shellWord(input) + " | build/bin/rxprobe";
  for (const std::string& a : args) command += " " + shellWord(a);
  return command;
}

std::vector<Case> readCaseFile(const std::string& path, std::string* error) {
  std::vector<Case> cases;
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read " + path;
    return cases;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    if (startsWith(line, "rxprobe ")) {
      cases.push_back(Case());
      cases.back().file = path;
      cases.back().line = number;
      cases.back().args = probeArgs(line.substr(8));
    } else if (cases.empty()) {
      *error = path + ":" + std::to_string(number) + ": a case must start with 'rxprobe '";
    } else if (startsWith(line, "< ") || line == "<") {
      cases.back().subjects.push_back(line.size() > 2 ? line.substr(2) : "");
    } else if (startsWith(line, "> ")) {
      cases.back().out.push_back(line.substr(2));
    } else if (startsWith(line, "2> ") || line == "2>") {
      cases.back().err.push_back(line.size() > 3 ? line.substr(3) : "");
    } else {
      *error = path;
      *error += ":" + std::to_string(number) + ": unknown line: " + line;
    }
  }
  return cases;
}

Outcome runCase(const Case& c) {
  Outcome outcome;
  rxprobe::Options options;
  std::string usage;
  if (!rxprobe::parseArgs(c.args, &options, &usage)) {
    outcome.exitCode = rxprobe::kExitUsage;
    return outcome;
  }
  std::string input;
  for (const std::string& s : c.subjects) input += s + "\n";
  std::FILE* in = input.empty() ? std::fopen("/dev/null", "r") : fmemopen(&input[0], input.size(), "r");
  char* outBuffer = nullptr;
  size_t outSize = 0;
  std::FILE* out = open_memstream(&outBuffer, &outSize);
  StderrCapture capture;
  outcome.exitCode = rxprobe::runProbe(options, in, out);
  std::string err = capture.text();
  (void)std::fclose(in);
  (void)std::fclose(out);
  outcome.out = splitLines(std::string(outBuffer, outSize));
  std::free(outBuffer);
  outcome.err = splitLines(err);
  return outcome;
}

}  // namespace rxcases
