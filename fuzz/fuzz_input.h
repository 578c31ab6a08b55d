// What the narrow and wide regex fuzz targets share: how they read their
// input (a flags byte, a pattern length byte, the pattern, and the rest as the
// subject) and the checks they run on one compiled pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "regex/pattern.h"

namespace fuzzinput {

struct RegexInput {
  int flags = 0;
  std::string pattern;
  std::string subject;
};

inline bool readRegexInput(const std::uint8_t* data, std::size_t size, RegexInput* in) {
  if (size < 2) return false;
  in->flags = data[0] & 31;
  std::size_t length = data[1];
  if (length > size - 2) length = size - 2;
  in->pattern.assign(reinterpret_cast<const char*>(data + 2), length);
  in->subject.assign(reinterpret_cast<const char*>(data + 2 + length), size - 2 - length);
  return true;
}

// Wide text from bytes: a byte below 0xF0 is that character; 0xF0-0xFF
// starts a four-byte value, so that every 32-bit value can be reached.
inline std::wstring widen(const std::string& bytes) {
  std::wstring out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0xF0 || i + 4 >= bytes.size()) {
      out += static_cast<wchar_t>(b);
      continue;
    }
    std::uint32_t v = 0;
    for (int k = 1; k <= 4; ++k) v = (v << 8) | static_cast<unsigned char>(bytes[i + k]);
    out += static_cast<wchar_t>(v);
    i += 4;
  }
  return out;
}

// Group spans inside the subject, finds left to right, and no limit hit
// reported for a search that succeeded.
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

}  // namespace fuzzinput
