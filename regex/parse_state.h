// The compiler's reading position in a pattern text, shared by the sequence
// parser and the class and escape reader, with the syntax-error report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "regex/char_traits.h"
#include "regex/flags.h"
#include "regex/syntax_error.h"

namespace rx {

// How deep parentheses, nested classes and named sub-patterns may nest
// inside each other. Each level is one level of the compiler's recursion;
// a deeper pattern is a syntax error, reported once.
constexpr int kMaxNesting = 2500;

template <class Char>
struct ParseState {
  using String = std::basic_string<Char>;
  using Traits = CharTraits<Char>;

  // The text being read, owned by the caller for the whole compile.
  std::basic_string_view<Char> text;
  int pos = 0;
  uint64_t flags = 0;
  bool error = false;
  int depth = 0;       // levels of nesting entered
  bool quiet = false;  // the nesting error was reported: no more reports

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
    if (quiet) return;
    int before = pos - 1;
    bool meta = false;
    if (before >= 0 && before < length()) {
      uint32_t c = Traits::code(text[before]);
      meta = c < 128 && std::string(")*+?]}").find(static_cast<char>(c)) != std::string::npos;
    }
    printSyntaxError(Traits::toReportBytes(String(text)), pos,
                     meta ? SyntaxMessage::Meta : SyntaxMessage::Plain);
  }
  // Nesting beyond kMaxNesting: one report, and every level the parser
  // unwinds through stays silent.
  void nestingError() {
    if (!quiet) printSyntaxError(Traits::toReportBytes(String(text)), pos, SyntaxMessage::Nesting);
    error = true;
    quiet = true;
  }
};

}  // namespace rx
