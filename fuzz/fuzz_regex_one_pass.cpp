// The one-pass matcher against the Pike VM over random patterns and
// subjects: whole matches with their groups, and anchored tries from every
// start, must agree, and so must the engine once it uses it; in the narrow
// and the wide form.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "regex/testing/accelerated_outcome.h"
#include "regex/testing/automaton_outcome.h"

namespace {

bool same(const rxtest::Outcome& a, const rxtest::Outcome& b) {
  return a.whole == b.whole && a.groups == b.groups && a.finds == b.finds && a.findGroups == b.findGroups;
}

template <class Char>
void compare(BasicPattern<Char>& p, const std::basic_string<Char>& subject) {
  rxtest::Accelerated<Char> one(p.graph(), rxtest::Fast::OnePass);
  if (!one.usable()) return;
  rxtest::Outcome automaton, o;
  if (!rxtest::automatonOutcome(p.graph(), subject, 100, &automaton)) return;
  if (!one.outcome(subject, 100, &o) || !same(o, automaton)) std::abort();
  p.acceleratorsNow();
  if (!same(rxtest::engineOutcome(p, subject, 100), automaton)) std::abort();
}

}  // namespace

// The flags byte's top bit picks the wide form.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzinput::RegexInput in;
  if (!fuzzinput::readRegexInput(data, size, &in)) return 0;
  if (in.subject.size() > 256) in.subject.resize(256);
  if (data[0] & 0x80) {
    auto p = WidePattern::create(fuzzinput::widen(in.pattern), in.flags);
    if (p) compare(*p, fuzzinput::widen(in.subject));
  } else {
    auto p = Pattern::create(in.pattern, in.flags);
    if (p) compare(*p, in.subject);
  }
  return 0;
}
