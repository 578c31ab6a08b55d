// The wide compiler and matcher over arbitrary pattern, flags and subject
// values: no crash, no hang, no undefined behaviour, and results that hang
// together (group spans inside the subject, finds left to right).
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "regex/pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzinput::RegexInput in;
  if (!fuzzinput::readRegexInput(data, size, &in)) return 0;
  auto p = WidePattern::create(fuzzinput::widen(in.pattern), in.flags);
  if (p) fuzzinput::exercise(*p, fuzzinput::widen(in.subject));
  return 0;
}
