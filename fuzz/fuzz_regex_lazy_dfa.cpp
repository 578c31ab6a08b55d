// The lazy DFA, behind the literal scans and alone, against the Pike VM
// over random patterns and subjects long enough to reach many states: every
// find and its groups, and whole matches, must agree, and so must the
// engine once it uses them; in the narrow and the wide form.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_regex_compare.h"
#include "regex/testing/accelerated_outcome.h"
#include "regex/testing/automaton_outcome.h"

namespace {

template <class Char>
void compare(BasicPattern<Char>& p, const std::basic_string<Char>& subject) {
  rxtest::Outcome automaton;
  if (!rxtest::automatonOutcome(p.graph(), subject, 100, &automaton)) return;
  for (rxtest::Fast which : {rxtest::Fast::Dfa, rxtest::Fast::DfaNoLiteral}) {
    rxtest::Accelerated<Char> fast(p.graph(), which);
    rxtest::Outcome o;
    if (fast.outcome(subject, 100, &o) && !fuzzinput::sameOutcome(o, automaton)) std::abort();
  }
  p.acceleratorsNow();
  if (!fuzzinput::sameOutcome(rxtest::engineOutcome(p, subject, 100), automaton)) std::abort();
}

}  // namespace

// The flags byte's top bit picks the wide form.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzinput::compareOnInput(data, size, 1024,
                                   [](auto& p, const auto& subject) { compare(p, subject); });
}
