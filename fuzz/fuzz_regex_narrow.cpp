// The narrow compiler and matcher over arbitrary pattern, flags and subject
// bytes: no crash, no hang, no undefined behaviour, and results that hang
// together (group spans inside the subject, finds left to right).
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "regex/pattern.h"

namespace {

template <class Char>
void exercise(BasicPattern<Char>& p, const std::basic_string<Char>& subject) {
  auto m = p.newMatcher(subject);
  int length = static_cast<int>(subject.size());
  if (m->matchWhole()) {
    if (m->groupStart(0) != 0 || m->groupEnd(0) != length) std::abort();
    for (int i = 1; i < p.groupCount(); ++i) {
      int s = m->groupStart(i), e = m->groupEnd(i);
      if ((s != -1 || e != -1) && (s < -1 || e < -1 || s > length || e > length)) std::abort();
    }
    m->groupTexts(true);
  }
  m->rewind();
  int last = 0;
  for (int n = 0; n < 1000 && m->findNext(); ++n) {
    if (m->groupStart(0) < last || m->groupEnd(0) < m->groupStart(0) || m->groupEnd(0) > length) std::abort();
    last = m->groupEnd(0);
    m->substituteGroups(subject.substr(0, 8));
  }
  if (m->findNext() && m->limitExceeded()) std::abort();
  p.splitText(subject, true, 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzinput::RegexInput in;
  if (!fuzzinput::readRegexInput(data, size, &in)) return 0;
  auto p = Pattern::create(in.pattern, in.flags);
  if (p) exercise(*p, in.subject);
  return 0;
}
