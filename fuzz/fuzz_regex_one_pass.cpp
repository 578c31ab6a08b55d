// The one-pass matcher against the Pike VM over random patterns and
// subjects: whole matches with their groups, and anchored tries from every
// start, must agree, and so must the engine once it uses it; in the narrow
// and the wide form.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_regex_compare.h"
#include "regex/testing/accelerated_outcome.h"
#include "regex/testing/automaton_outcome.h"

namespace {

template <class Char>
void compare(BasicPattern<Char>& p, const std::basic_string<Char>& subject) {
  rxtest::Accelerated<Char> one(p.graph(), rxtest::Fast::OnePass);
  if (!one.usable()) return;
  rxtest::Outcome automaton, o;
  if (!rxtest::automatonOutcome(p.graph(), subject, 100, &automaton)) return;
  if (!one.outcome(subject, 100, &o) || !fuzzinput::sameOutcome(o, automaton)) std::abort();
  p.acceleratorsNow();
  if (!fuzzinput::sameOutcome(rxtest::engineOutcome(p, subject, 100), automaton)) std::abort();
}

}  // namespace

// The flags byte's top bit picks the wide form.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzinput::compareOnInput(data, size, 256,
                                   [](auto& p, const auto& subject) { compare(p, subject); });
}
