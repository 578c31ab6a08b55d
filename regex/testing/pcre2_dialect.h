// The part of this engine's narrow dialect that PCRE2 shares, as a
// translation of a pattern into PCRE2 syntax, for the peer check of the
// compiler. A pattern outside the shared part has no translation.
//
// Left out, and why:
// - \b and \B: here only ASCII letters are word characters (digits and '_'
//   are not), and at the end of the subject both hold.
// - \p{..} and \P{..}: PCRE2 reads Unicode property names there.
// - \s inside a class is written out (PCRE2's \s also holds \v); \S inside
//   a class has no short PCRE2 form and is left out.
// - \0 octal escapes and \x without two hex digits: the digits are read
//   differently (here \0101 is 'A', a short \x is a blank).
// - Escaped letters other than \d \D \w \W \s \S \t \n \r \f \a \e \x \A \Z
//   \z \G \Q: here they stand for the letter, in PCRE2 many have a meaning.
// - Under CASE_INSENSITIVE (or any inline i), characters written as escapes,
//   back-references and letters in look-behind text: here all three stay
//   case-sensitive.
// - Back-references of two or more digits, and references to groups that do
//   not exist: PCRE2 reads octal or refuses the pattern.
// - Class union by nesting ([a[b]]), intersection (&&), the empty class []
//   and its complement [^], and reversed (wrapping) ranges.
// - Possessive group loops: here one stops an iteration short at its
//   maximum when the last iteration fails, PCRE2's is atomic.
// - A minimum of two or more on a group that may match the empty string
//   (judged from its text): here an iteration that consumed nothing ends the
//   loop even below its minimum; PCRE2 goes on iterating.
// - UNIX_LINES and the inline flag d: PCRE2 has no mode in which '.' excludes
//   only the line feed while the line anchors still see both terminators.
// - {name} sub-patterns: PCRE2 has none.
// - The wide form: its complements cover 0-255 only and its case folding is
//   towlower's; the case files test it on its own.
// What the translation keeps equal by PCRE2 options instead: '.' excludes
// both line terminators and the line anchors see both (NEWLINE_ANYCRLF),
// '$' without MULTI_LINE is the end of the subject only (DOLLAR_ENDONLY),
// '^' under MULTI_LINE also holds after a final terminator (ALT_CIRCUMFLEX),
// and a reference to a group without a match matches the empty string
// (MATCH_UNSET_BACKREF). The peer check's find loop follows this engine's
// rule: after an empty match the next search starts one character further,
// and no search starts at the end of the subject after a match.
#pragma once

#include <string>

namespace rxtest {

struct Pcre2Pattern {
  std::string text;
  bool caseless = false;
  bool dotAll = false;
  bool multiLine = false;
};

// False when the pattern (with the flags) is outside the shared dialect.
bool toPcre2(const std::string& pattern, int flags, Pcre2Pattern* out);

}  // namespace rxtest
