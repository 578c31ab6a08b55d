// The engine against the plain reference matcher, the automaton and the
// faster matchers built from it (one-pass, lazy DFA) over random patterns
// and subjects: every result must agree wherever the backtracker and the
// reference did not give up, and a pattern the automaton takes must never
// give up; in the narrow and the wide form.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_regex_compare.h"
#include "regex/testing/accelerated_outcome.h"
#include "regex/testing/automaton_outcome.h"
#include "regex/testing/reference_matcher.h"

namespace {

template <class Char>
void compare(BasicPattern<Char>& p, const std::basic_string<Char>& subject) {
  rxtest::Outcome engine = rxtest::engineOutcome(p, subject, 100);
  rxtest::Outcome reference = rxtest::referenceOutcome(p.graph(), subject, 100);
  rxtest::Outcome automaton;
  if (rxtest::automatonOutcome(p.graph(), subject, 100, &automaton)) {
    if (engine.limit) std::abort();
    if (!fuzzinput::sameOutcome(automaton, engine)) std::abort();
    if (!reference.limit && !fuzzinput::sameOutcome(automaton, reference)) std::abort();
    for (rxtest::Fast which : {rxtest::Fast::OnePass, rxtest::Fast::Dfa, rxtest::Fast::DfaNoLiteral}) {
      rxtest::Accelerated<Char> fast(p.graph(), which);
      rxtest::Outcome o;
      if (fast.outcome(subject, 100, &o) && !fuzzinput::sameOutcome(o, automaton)) std::abort();
    }
  }
  if (engine.limit || reference.limit) return;
  if (!fuzzinput::sameOutcome(engine, reference)) std::abort();
}

}  // namespace

// The flags byte's top bit picks the wide form, its pattern and subject
// widened as the wide target does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Short subjects keep the reference within its bounds most of the time.
  return fuzzinput::compareOnInput(data, size, 64, [](auto& p, const auto& subject) { compare(p, subject); });
}
