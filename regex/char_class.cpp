// The class-escape table, named classes, octal and hexadecimal escapes and the
// class parser with nesting, intersection, ranges and complement.
#include "regex/char_class.h"

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace rx {

namespace {

const char kDigits[] = "0123456789";
const char kSpace[] = " \t\r\n\f";
const char kWord[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
const char kLower[] = "abcdefghijklmnopqrstuvwxyz";
const char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

CharSet setOf(const char* members) {
  CharSet set;
  for (const char* c = members; *c; ++c) set.add(static_cast<unsigned char>(*c));
  return set;
}

CharSet setOfRange(uint32_t lo, uint32_t hi) {
  CharSet set;
  set.addRange(lo, hi);
  return set;
}

CharSet punctuation() {
  CharSet set = setOfRange(0x21, 0x2F);
  set.addRange(0x3A, 0x40);
  set.addRange(0x5B, 0x60);
  set.addRange(0x7B, 0x7E);
  return set;
}

// The named classes of \p{...}; every name but "{XDigit}" is seven
// characters long, braces included.
bool namedClass(const std::string& name, CharSet* set) {
  if (name == "{Lower}") {
    *set = setOf(kLower);
  } else if (name == "{Upper}") {
    *set = setOf(kUpper);
  } else if (name == "{Alpha}") {
    *set = setOf(kLower);
    set->unite(setOf(kUpper));
  } else if (name == "{Digit}") {
    *set = setOf(kDigits);
  } else if (name == "{Alnum}") {
    *set = setOf(kLower);
    set->unite(setOf(kUpper));
    set->unite(setOf(kDigits));
  } else if (name == "{Punct}") {
    *set = punctuation();
  } else if (name == "{Graph}" || name == "{Print}") {
    *set = setOfRange(0x21, 0x7E);
  } else if (name == "{Blank}") {
    *set = setOf(" \t");
  } else if (name == "{Space}") {
    *set = setOf(" \t\n\v\f\r");
  } else if (name == "{Cntrl}") {
    *set = setOfRange(0x00, 0x1F);
    set->add(0x7F);
  } else if (name == "{ASCII}") {
    *set = setOfRange(0x00, 0x7F);
  } else if (name == "{XDigit}") {
    *set = setOf("abcdefABCDEF0123456789");
  } else {
    return false;
  }
  return true;
}

// \d \D \s \S \w \W; their sets are made once, as a pattern may hold many.
bool classEscape(uint32_t c, Escape* e) {
  static const CharSet digits = setOf(kDigits), space = setOf(kSpace), word = setOf(kWord);
  const CharSet* members = c == 'd' || c == 'D'   ? &digits
                           : c == 's' || c == 'S' ? &space
                           : c == 'w' || c == 'W' ? &word
                                                  : nullptr;
  if (!members) return false;
  e->set = *members;
  e->inverted = c == 'D' || c == 'S' || c == 'W';
  return true;
}

// \t \n \r \f \a and \e (a carriage return, like \r); any other
// character stands for itself.
uint32_t controlEscape(uint32_t c) {
  switch (c) {
    case 't':
      return 0x09;
    case 'n':
      return 0x0A;
    case 'r':
      return 0x0D;
    case 'f':
      return 0x0C;
    case 'a':
      return 0x07;
    case 'e':
      return 0x0D;
    default:
      return c;
  }
}

int hexValue(uint32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

int octalValue(uint32_t c) { return c >= '0' && c <= '7' ? static_cast<int>(c - '0') : -1; }

template <class Char>
class ClassReader {
 public:
  using Traits = CharTraits<Char>;

  explicit ClassReader(ParseState<Char>& ps) : ps_(ps) {}

  Escape escape();
  CharSet bracket();

 private:
  // The code of the character at pos + ahead, or a value no pattern
  // character has when the text is shorter.
  uint32_t peek(int ahead) const {
    return ps_.has(ahead) ? Traits::code(ps_.text[ps_.pos + ahead]) : UINT32_MAX;
  }
  void named(Escape* e);
  void octal(Escape* e);
  void hex(Escape* e);
  // A class level not yet closed by its ']'.
  struct Level {
    CharSet set;
    bool negate = false;
    bool intersect = false;  // opened by "&&[": intersected with the enclosing level
  };

  bool openLevel(std::vector<Level>& open, bool intersect);
  void bracketMember(std::vector<Level>& open);
  void member(CharSet* set, uint32_t lower);
  void range(CharSet* set, uint32_t lower);
  void addRange(CharSet* set, uint32_t lower, uint32_t upper);
  CharSet complement(CharSet set) const;
  // A syntax error that ends the class: the rest of the text is skipped, so
  // the missing ']' is reported as well.
  void endWithError() {
    ps_.syntaxError();
    ps_.pos = ps_.length();
  }

  ParseState<Char>& ps_;
};

template <class Char>
Escape ClassReader<Char>::escape() {
  Escape e;
  if (ps_.atEnd()) {
    ps_.syntaxError();
    return e;
  }
  uint32_t c = Traits::code(ps_.text[ps_.pos++]);
  if (classEscape(c, &e)) return e;
  if (c == 'p' || c == 'P') {
    named(&e);
    e.inverted = c == 'P';
  } else if (c == '0') {
    octal(&e);
  } else if (c == 'x') {
    hex(&e);
  } else if (c == 'Q') {
    e.quote = true;
  } else {
    e.set.add(controlEscape(c));
  }
  return e;
}

template <class Char>
void ClassReader<Char>::named(Escape* e) {
  std::string name;
  for (int i = 0; i < 8 && ps_.has(i); ++i) {
    uint32_t c = peek(i);
    name += c < 128 ? static_cast<char>(c) : '\x80';
  }
  if (name == "{XDigit}" && namedClass(name, &e->set)) {
    ps_.pos += 8;
    return;
  }
  name = name.substr(0, 7);
  if (name.size() == 7 && namedClass(name, &e->set)) {
    ps_.pos += 7;
    return;
  }
  ps_.syntaxError();
}

template <class Char>
void ClassReader<Char>::octal(Escape* e) {
  int d1 = octalValue(peek(0)), d2 = octalValue(peek(1)), d3 = octalValue(peek(2));
  if (d1 >= 0 && d1 <= 3 && d2 >= 0) {
    int value = d1 * 8 + d2;
    ps_.pos += 2;
    if (d3 >= 0) {
      value = value * 8 + d3;
      ps_.pos += 1;
    }
    e->set.add(static_cast<uint32_t>(value));
  } else if (d1 >= 4 && d2 >= 0) {
    e->set.add(static_cast<uint32_t>(d1 * 8 + d2));
    ps_.pos += 2;
  } else {
    ps_.syntaxError();
  }
}

// Two hexadecimal digits, and in the wide form four when four are there; a
// malformed \x stands for a blank and consumes nothing.
template <class Char>
void ClassReader<Char>::hex(Escape* e) {
  if (Traits::kFourDigitHex) {
    int h[4] = {hexValue(peek(0)), hexValue(peek(1)), hexValue(peek(2)), hexValue(peek(3))};
    if (h[0] >= 0 && h[1] >= 0 && h[2] >= 0 && h[3] >= 0) {
      e->set.add(static_cast<uint32_t>(((h[0] * 16 + h[1]) * 16 + h[2]) * 16 + h[3]));
      ps_.pos += 4;
      return;
    }
  }
  int hi = hexValue(peek(0)), lo = hexValue(peek(1));
  if (hi >= 0 && lo >= 0) {
    e->set.add(static_cast<uint32_t>(hi * 16 + lo));
    ps_.pos += 2;
  } else {
    e->set.add(0x20);
  }
}

// Opens a class level after its '[' (and '&&['): reads its '^' and counts
// it as one level of nesting. Past kMaxNesting the class is refused and the
// rest of the text skipped, so that every enclosing class ends at once.
template <class Char>
bool ClassReader<Char>::openLevel(std::vector<Level>& open, bool intersect) {
  if (++ps_.depth > kMaxNesting) {
    --ps_.depth;
    ps_.nestingError();
    ps_.pos = ps_.length();
    return false;
  }
  Level level;
  level.intersect = intersect;
  if (peek(0) == '^') {
    ++ps_.pos;
    level.negate = true;
  }
  open.push_back(std::move(level));
  return true;
}

// Nested classes are kept on a stack of open levels rather than read by
// recursion, so a class costs no stack depth however deep it nests. Each
// level is united with (or, after "&&", intersected with) the one around
// it when its ']' is read.
template <class Char>
CharSet ClassReader<Char>::bracket() {
  std::vector<Level> open;
  if (!openLevel(open, false)) return CharSet();
  for (;;) {
    if (!ps_.atEnd() && peek(0) != ']') {
      bracketMember(open);
      continue;
    }
    Level& level = open.back();
    if (peek(0) == ']') {
      ++ps_.pos;
    } else {
      ps_.syntaxError();
      level.set = CharSet();
    }
    CharSet done = level.negate ? complement(level.set) : level.set;
    bool intersect = level.intersect;
    open.pop_back();
    --ps_.depth;
    if (open.empty()) return done;
    if (intersect) {
      open.back().set.intersect(done);
    } else {
      open.back().set.unite(done);
    }
  }
}

template <class Char>
void ClassReader<Char>::bracketMember(std::vector<Level>& open) {
  CharSet* set = &open.back().set;
  uint32_t c = Traits::code(ps_.text[ps_.pos++]);
  if (c == '[') {
    (void)openLevel(open, false);
  } else if (c == '&' && peek(0) == '&') {
    ++ps_.pos;
    if (peek(0) != '[') {
      endWithError();
      return;
    }
    ++ps_.pos;
    (void)openLevel(open, true);
  } else if (c == '\\') {
    Escape e = escape();
    uint32_t only = 0;
    if (e.quote) {
      endWithError();
    } else if (e.inverted || e.set.size() >= 2) {
      set->unite(e.inverted ? complement(e.set) : e.set);
    } else if (e.set.single(&only)) {
      member(set, only);
    }
  } else {
    member(set, c);
  }
}

// A single character, or the lower bound of a range when '-' follows.
template <class Char>
void ClassReader<Char>::member(CharSet* set, uint32_t lower) {
  if (peek(0) != '-') {
    set->add(lower);
    return;
  }
  ++ps_.pos;
  range(set, lower);
}

template <class Char>
void ClassReader<Char>::range(CharSet* set, uint32_t lower) {
  if (ps_.atEnd()) {
    ps_.syntaxError();
    return;
  }
  uint32_t u = Traits::code(ps_.text[ps_.pos++]);
  if (u == '[' || u == ']' || u == '-' || u == '&') {
    endWithError();
    return;
  }
  if (u == '\\') {
    Escape e = escape();
    if (e.quote) {
      endWithError();
      return;
    }
    if (e.inverted || !e.set.single(&u)) {
      ps_.syntaxError();
      return;
    }
  }
  addRange(set, lower, u);
}

// A narrow range whose lower bound is above its upper bound wraps through
// 0xFF back to 0. A wide one would run through the whole 32-bit range, so it
// is refused; wide ranges are otherwise taken whole, as intervals.
template <class Char>
void ClassReader<Char>::addRange(CharSet* set, uint32_t lower, uint32_t upper) {
  if (lower <= upper) {
    set->addRange(lower, upper);
  } else if (Traits::kRangesWrap) {
    set->addRange(lower, 0xFF);
    set->addRange(0, upper);
  } else {
    ps_.syntaxError();
  }
}

// A complement covers the byte values only. Under CASE_INSENSITIVE both
// cases of a letter leave the set, so [^a] excludes A as well.
template <class Char>
CharSet ClassReader<Char>::complement(CharSet set) const {
  if (ps_.flag(kCaseInsensitive)) set.addOtherAsciiCase();
  return set.complementLow();
}

}  // namespace

template <class Char>
Escape readEscape(ParseState<Char>& ps) {
  return ClassReader<Char>(ps).escape();
}

template <class Char>
CharSet readClass(ParseState<Char>& ps) {
  return ClassReader<Char>(ps).bracket();
}

template Escape readEscape<char>(ParseState<char>&);
template Escape readEscape<wchar_t>(ParseState<wchar_t>&);
template CharSet readClass<char>(ParseState<char>&);
template CharSet readClass<wchar_t>(ParseState<wchar_t>&);

}  // namespace rx
