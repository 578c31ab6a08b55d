// How the regex fuzz targets read their input: a flags byte, a pattern
// length byte, the pattern, and the rest as the subject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace fuzzinput
