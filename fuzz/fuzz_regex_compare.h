// What the fuzz targets that compare the regex matchers with each other
// share: the verdict on two outcomes, and the input compiled in the form its
// flags byte picks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "regex/testing/reference_matcher.h"

namespace fuzzinput {

// The limit mark is left out: each caller decides what a limit means.
inline bool sameOutcome(const rxtest::Outcome& a, const rxtest::Outcome& b) {
  return a.whole == b.whole && a.groups == b.groups && a.finds == b.finds && a.findGroups == b.findGroups;
}

// Compiles the input's pattern, wide (pattern and subject widened) when the
// flags byte's top bit is set, else narrow, and hands the pattern with the
// subject cut to `maxSubject` bytes to check(pattern, subject).
template <class Check>
int compareOnInput(const std::uint8_t* data, std::size_t size, std::size_t maxSubject, Check check) {
  RegexInput in;
  if (!readRegexInput(data, size, &in)) return 0;
  if (in.subject.size() > maxSubject) in.subject.resize(maxSubject);
  if (data[0] & 0x80) {
    auto p = WidePattern::create(widen(in.pattern), in.flags);
    if (p) check(*p, widen(in.subject));
  } else {
    auto p = Pattern::create(in.pattern, in.flags);
    if (p) check(*p, in.subject);
  }
  return 0;
}

}  // namespace fuzzinput
