// Arbitrary argument vectors (NUL-separated in the input) through the
// command-line parser: no crash, and only "/d" without a path or a report
// switch spelled another way ("/D", "--d", "-d=x") is malformed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/run_sequence.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The log of the one component lives below a scratch root, and the usage
  // text the parser prints goes nowhere.
  setenv("FCUPDATE_ROOT", "/tmp/fcupdate-fuzz-root", 1);
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
  return 0;
}

namespace {

// Said without the parser's own words: after one "/" or any "-", a "d".
bool looksLikeAReportSwitch(const std::string& word) {
  std::size_t at = 0;
  if (!word.empty() && word[0] == '/') {
    at = 1;
  } else {
    while (at < word.size() && word[at] == '-') ++at;
    if (at == 0) return false;
  }
  return at < word.size() && (word[at] == 'd' || word[at] == 'D');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CBaseCmp component;
  component.options = RunOptions{};
  component.log.quiet = false;
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  const CommandLineResult result = parseCommandLine(component, static_cast<int>(argv.size()), argv.data());
  if (result == CommandLineResult::Malformed && !component.options.discovery) {
    bool typo = false;
    for (const std::string& word : words) typo = typo || looksLikeAReportSwitch(word);
    if (!typo) std::abort();
  }
  return 0;
}
