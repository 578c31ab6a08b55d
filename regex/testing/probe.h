// The probe protocol of rxprobe and the regex case files: compiles one
// pattern and prints, for every subject line read, the whole-match result,
// the groups and the successive find positions as one JSON line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "regex/pattern.h"

namespace rxprobe {

constexpr int kExitOk = 0;
constexpr int kExitNoCompile = 2;
constexpr int kExitUsage = 64;
constexpr int kMaxFinds = 10000;

struct Options {
  bool wide = false;
  int flags = 0;
  std::string pattern;
};

// Reads "[--wide] [--flags N] [--] PATTERN"; false with a message on a usage error.
bool parseArgs(const std::vector<std::string>& args, Options* options, std::string* error);

// Decodes UTF-8; false on a malformed sequence.
bool decodeUtf8(const std::string& bytes, std::wstring* out);

// Undoes the subject-line escapes \\ \n \r \t \0 \xHH (and \u{H...} when
// wide); false on any other backslash sequence.
bool unescapeLine(const std::string& line, std::string* out);
bool unescapeLine(const std::wstring& line, std::wstring* out, bool wide = true);

// The JSON line (without the line end) for one subject; it ends in
// "limit":true when a match or search gave up at the engine's bounds.
template <class Char>
std::string describeSubject(BasicPattern<Char>& pattern, const std::basic_string<Char>& subject);

// Runs the whole probe over the subject lines of `in`; returns the exit status.
int runProbe(const Options& options, std::FILE* in, std::FILE* out);

}  // namespace rxprobe
