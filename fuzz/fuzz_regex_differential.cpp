// The engine against the plain reference matcher over random patterns and
// subjects: every result must agree wherever neither gave up.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "regex/testing/reference_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzinput::RegexInput in;
  if (!fuzzinput::readRegexInput(data, size, &in)) return 0;
  // Short subjects keep the reference within its bounds most of the time.
  if (in.subject.size() > 64) in.subject.resize(64);
  auto p = Pattern::create(in.pattern, in.flags);
  if (!p) return 0;
  rxtest::Outcome engine = rxtest::engineOutcome(*p, in.subject, 100);
  rxtest::Outcome reference = rxtest::referenceOutcome(p->graph(), in.subject, 100);
  if (engine.limit || reference.limit) return 0;
  if (engine.whole != reference.whole || engine.groups != reference.groups ||
      engine.finds != reference.finds) {
    std::abort();
  }
  return 0;
}
