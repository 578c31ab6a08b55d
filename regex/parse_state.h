// The compiler's reading position in a pattern text, shared by the sequence
// parser and the class and escape reader, with the syntax-error report.
#pragma once

#include <cstdint>
#include <string>

#include "regex/char_traits.h"

namespace rx {

// The pattern flag bits, as the public constants of the pattern classes.
constexpr int kCaseInsensitive = 1, kLiteral = 2, kDotAll = 4, kMultiLine = 8, kUnixLines = 16;

// Writes the pattern line, the caret line and the message to standard error.
void printSyntaxError(const std::string& textBytes, int pos, bool metaBefore);

template <class Char>
struct ParseState {
  using String = std::basic_string<Char>;
  using Traits = CharTraits<Char>;

  String text;
  int pos = 0;
  uint64_t flags = 0;
  bool error = false;

  int length() const { return static_cast<int>(text.size()); }
  bool atEnd() const { return pos >= length(); }
  // True when the character at pos + ahead exists and equals c.
  bool at(int ahead, char c) const {
    int i = pos + ahead;
    return i >= 0 && i < length() && text[i] == static_cast<Char>(c);
  }
  bool has(int ahead) const { return pos + ahead < length(); }
  Char charAt(int i) const { return text[i]; }
  bool flag(int bit) const { return (flags & static_cast<uint64_t>(bit)) != 0; }

  void syntaxError() {
    error = true;
    int before = pos - 1;
    bool meta = false;
    if (before >= 0 && before < length()) {
      uint32_t c = Traits::code(text[before]);
      meta = c < 128 && std::string(")*+?]}").find(static_cast<char>(c)) != std::string::npos;
    }
    printSyntaxError(Traits::toReportBytes(text), pos, meta);
  }
};

}  // namespace rx
