// Regex test cases kept as data, in the form rxprobe prints, so that any case
// can be replayed by hand:
//
//   rxprobe [--wide] [--flags N] PATTERN     a case; '' stands for the empty pattern
//   < SUBJECT                                a subject line, with rxprobe's escapes
//   > JSON                                   the expected standard output line
//   2> TEXT                                  an expected standard error line (trailing blanks count)
//
// Blank lines and lines starting with '#' separate and comment cases.
#pragma once

#include <string>
#include <vector>

namespace rxcases {

struct Case {
  std::string file;
  int line = 0;
  std::vector<std::string> args;  // rxprobe's arguments
  std::vector<std::string> subjects;
  std::vector<std::string> out;
  std::vector<std::string> err;

  // The shell command that replays the case.
  std::string replay() const;
};

// Reads every case of a file; a malformed line is reported in *error.
std::vector<Case> readCaseFile(const std::string& path, std::string* error);

struct Outcome {
  int exitCode = 0;
  std::vector<std::string> out;
  std::vector<std::string> err;
};

// Runs the case through rxprobe's protocol in this process.
Outcome runCase(const Case& c);

}  // namespace rxcases
