// The pattern and subject generator of the matcher comparisons.
#include "regex/testing/pattern_generator.h"

namespace rxtest {

std::string PatternGenerator::sequence(int depth) {
  std::string s;
  for (size_t n = 1 + pick(3); n > 0; --n) s += item(depth);
  if (depth < 3 && pick(4) == 0) s += "|" + sequence(depth + 1);
  return s;
}

std::string PatternGenerator::item(int depth) {
  static const char* const kAtoms[] = {"a",   "b",      ".",      "[ab]",     "[^a]", "\\d", "\\w",
                                       "^",   "$",      "\\b",    "\\B",      "\\Z",  "\\G", "\\1",
                                       "\\2", "(?<=a)", "(?<!b)", "\\Qab\\E", "(?i)", "A",   "\\x61"};
  static const char* const kGroups[] = {"(", "(?:", "(?=", "(?!", "(?>", "(?i:"};
  if (depth >= 3 || pick(3) != 0)
    return std::string(kAtoms[pick(sizeof kAtoms / sizeof kAtoms[0])]) + quantifier();
  size_t g = pick(sizeof kGroups / sizeof kGroups[0]);
  std::string s = std::string(kGroups[g]) + sequence(depth + 1) + ")";
  bool loopable = g == 0 || g == 1 || g == 5;
  return loopable ? s + quantifier() : s;
}

std::string PatternGenerator::quantifier() {
  static const char* const kForms[] = {"*", "+", "?", "{2}", "{0,2}", "{1,}", "{,1}"};
  static const char* const kSuffixes[] = {"", "?", "+"};
  if (pick(2) == 0) return "";
  return std::string(kForms[pick(sizeof kForms / sizeof kForms[0])]) + kSuffixes[pick(3)];
}

std::string randomSubject(std::mt19937& rng) {
  static const char kLetters[] = "aabbA1\n ";
  std::string s;
  int n = static_cast<int>(rng() % 9);
  for (int i = 0; i < n; ++i) s += kLetters[rng() % (sizeof kLetters - 1)];
  return s;
}

}  // namespace rxtest
