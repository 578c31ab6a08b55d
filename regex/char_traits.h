// Everything that differs between the narrow and the wide engine, in one place:
// case folding, the width of \x, reversed ranges, the node class names and
// how a syntax-error report becomes bytes. (A complement covers 0-255 in
// both forms, which for narrow text is every character.)
#pragma once

#include <cctype>
#include <cstdint>
#include <cwctype>
#include <string>

namespace rx {

template <class Char>
struct CharTraits;

template <>
struct CharTraits<char> {
  using String = std::string;
  // Narrow text is bytes: every value 0..255 is a character.
  static uint32_t code(char c) { return static_cast<unsigned char>(c); }
  static char fromCode(uint32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); }
  static char fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
  static constexpr bool kFourDigitHex = false;
  // A reversed range wraps through the byte values.
  static constexpr bool kRangesWrap = true;
  static constexpr const char* kNodeSuffix = "Node";
  static std::string toReportBytes(const std::string& text) { return text; }
};

template <>
struct CharTraits<wchar_t> {
  using String = std::wstring;
  // wchar_t is signed on this platform; sets and comparisons work on the
  // unsigned 32-bit value so that every wide character has one code.
  static uint32_t code(wchar_t c) { return static_cast<uint32_t>(c); }
  static wchar_t fromCode(uint32_t v) { return static_cast<wchar_t>(v); }
  static wchar_t fold(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }
  static constexpr bool kFourDigitHex = true;
  // A reversed range is an error: wrapping would cover the 32-bit range.
  static constexpr bool kRangesWrap = false;
  static constexpr const char* kNodeSuffix = "UNode";
  // The wide report is written as UTF-8 on the narrow stream: a wide-oriented
  // standard error would silence every later narrow message of the process.
  static std::string toReportBytes(const std::wstring& text);
};

}  // namespace rx
