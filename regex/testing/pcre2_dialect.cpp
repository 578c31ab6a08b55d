// Translating a pattern of the shared dialect into PCRE2 syntax: literals
// become \x{..} escapes, so that nothing is read as PCRE2 syntax by accident.
#include "regex/testing/pcre2_dialect.h"

#include <cstdio>
#include <vector>

#include "regex/flags.h"

namespace rxtest {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string hexChar(unsigned value) {
  char buffer[16];
  (void)std::snprintf(buffer, sizeof buffer, "\\x{%02x}", value & 0xFFu);
  return buffer;
}

class Translator {
 public:
  Translator(const std::string& text, bool caseless) : text_(text), caseless_(caseless) {}

  bool run(std::string* out) {
    while (pos_ < text_.size()) {
      if (!item()) return false;
    }
    *out = out_;
    return true;
  }

 private:
  bool more() const { return pos_ < text_.size(); }
  char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

  bool item() {
    char c = text_[pos_++];
    switch (c) {
      case '\\':
        return escape();
      case '[':
        return bracket();
      case '{':
        return braces();
      case '(':
        return group();
      case ')':
        return quantifierAfterGroup();
      case '|':
      case '*':
      case '+':
      case '?':
      case '.':
      case '^':
      case '$':
        out_ += c;
        return true;
      default:
        out_ += hexChar(static_cast<unsigned char>(c));
        return true;
    }
  }

  // Left out: a possessive quantifier on a group loop, and a minimum of two
  // or more on a group that may match the empty string (judged from its text).
  bool quantifierAfterGroup() {
    out_ += ')';
    std::string body;
    if (!opens_.empty()) {
      body = text_.substr(opens_.back(), pos_ - 1 - opens_.back());
      opens_.pop_back();
    }
    size_t at = pos_;
    if (peek() == '*' || peek() == '+' || peek() == '?') {
      ++at;
    } else if (peek() == '{') {
      at = text_.find('}', pos_);
      if (at == std::string::npos) return false;
      bool lowAtLeastTwo = isDigit(peek(1)) && (peek(1) >= '2' || isDigit(peek(2)));
      if (lowAtLeastTwo && mayBeEmpty(body)) return false;
      ++at;
    } else {
      return true;
    }
    return !(at < text_.size() && text_[at] == '+');
  }

  static bool mayBeEmpty(const std::string& body) {
    return body.empty() || body.find_first_of("*?|^$") != std::string::npos ||
           body.find("{0") != std::string::npos || body.find("{,") != std::string::npos ||
           body.find("{}") != std::string::npos || body.find_first_of("GAZz") != std::string::npos;
  }

  // {n} {n,} {,m} {n,m} {,} {}; anything else in braces is a sub-pattern name.
  bool braces() {
    size_t close = text_.find('}', pos_);
    if (close == std::string::npos) return false;
    std::string inside = text_.substr(pos_, close - pos_);
    size_t comma = inside.find(',');
    for (size_t i = 0; i < inside.size(); ++i) {
      if (!isDigit(inside[i]) && i != comma) return false;
    }
    pos_ = close + 1;
    if (comma == std::string::npos) {
      out_ += "{" + (inside.empty() ? std::string("0") : inside) + "}";
    } else {
      std::string low = inside.substr(0, comma), high = inside.substr(comma + 1);
      out_ += "{" + (low.empty() ? std::string("0") : low) + "," + high + "}";
    }
    return true;
  }

  bool group() {
    if (peek() != '?') {
      opens_.push_back(pos_);
      out_ += '(';
      return true;
    }
    char kind = peek(1);
    if (kind == ':' || kind == '=' || kind == '!' || kind == '>') {
      out_ += std::string("(?") + kind;
      pos_ += 2;
      opens_.push_back(pos_);
      return true;
    }
    if (kind == '<' && (peek(2) == '=' || peek(2) == '!')) {
      out_ += std::string("(?<") + peek(2);
      pos_ += 3;
      return lookBehindText();
    }
    ++pos_;
    out_ += "(?";
    for (; more(); ++pos_) {
      char f = text_[pos_];
      if (f == ':' || f == ')') {
        out_ += f;
        ++pos_;
        if (f == ':') opens_.push_back(pos_);
        return true;
      }
      if (f != 'i' && f != 'm' && f != 's' && f != '-') return false;
      out_ += f;
    }
    return false;
  }

  // Literal text up to ')'; a backslash takes the next character.
  bool lookBehindText() {
    while (more()) {
      char c = text_[pos_++];
      if (c == ')') {
        out_ += ')';
        return true;
      }
      if (c == '\\') {
        if (!more()) return false;
        c = text_[pos_++];
      }
      if (caseless_ && isLetter(c)) return false;
      out_ += hexChar(static_cast<unsigned char>(c));
    }
    return false;
  }

  // A single character an escape stands for, outside and inside classes.
  bool escapedChar(char e, unsigned* value) {
    switch (e) {
      case 't':
        *value = 0x09;
        return true;
      case 'n':
        *value = 0x0A;
        return true;
      case 'r':
      case 'e':
        *value = 0x0D;
        return true;
      case 'f':
        *value = 0x0C;
        return true;
      case 'a':
        *value = 0x07;
        return true;
      case 'x': {
        int hi = hexValue(peek()), lo = hexValue(peek(1));
        if (hi < 0 || lo < 0) return false;
        pos_ += 2;
        *value = static_cast<unsigned>(hi * 16 + lo);
        return true;
      }
      default:
        if (isDigit(e) || isLetter(e)) return false;
        *value = static_cast<unsigned char>(e);
        return true;
    }
  }

  bool escape() {
    if (!more()) return false;
    char e = text_[pos_++];
    if (e >= '1' && e <= '9') {
      if (caseless_ || isDigit(peek())) return false;
      out_ += std::string("\\") + e;
      return true;
    }
    switch (e) {
      case 'd':
      case 'D':
      case 'w':
      case 'W':
      case 'A':
      case 'Z':
      case 'z':
      case 'G':
        out_ += std::string("\\") + e;
        return true;
      case 's':
        out_ += "[\\x{20}\\t\\r\\n\\f]";
        return true;
      case 'S':
        out_ += "[^\\x{20}\\t\\r\\n\\f]";
        return true;
      case 'Q':
        return quoted();
      default:
        break;
    }
    unsigned value = 0;
    if (!escapedChar(e, &value)) return false;
    if (caseless_ && isLetter(static_cast<char>(value))) return false;
    out_ += hexChar(value);
    return true;
  }

  // \Q...\E is one atom here, so a quantifier after it takes all of it.
  bool quoted() {
    out_ += "(?:";
    for (;;) {
      if (!more()) return false;
      char c = text_[pos_++];
      if (c == '\\') {
        if (!more()) return false;
        c = text_[pos_++];
        if (c == 'E') break;
      }
      out_ += hexChar(static_cast<unsigned char>(c));
    }
    out_ += ")";
    return true;
  }

  bool bracket() {
    out_ += '[';
    if (peek() == '^') {
      out_ += '^';
      ++pos_;
    }
    if (peek() == ']') return false;
    while (more() && peek() != ']') {
      unsigned low = 0;
      char c = text_[pos_++];
      if (c == '[' || (c == '&' && peek() == '&')) return false;
      if (c == '\\') {
        if (!more()) return false;
        char e = text_[pos_++];
        if (e == 'd' || e == 'D' || e == 'w' || e == 'W') {
          out_ += std::string("\\") + e;
          continue;
        }
        if (e == 's') {
          out_ += "\\x{20}\\t\\r\\n\\f";
          continue;
        }
        if (!escapedChar(e, &low)) return false;
      } else {
        low = static_cast<unsigned char>(c);
      }
      out_ += hexChar(low);
      if (peek() != '-') continue;
      ++pos_;
      if (!range(low)) return false;
    }
    if (!more()) return false;
    ++pos_;
    out_ += ']';
    return true;
  }

  bool range(unsigned low) {
    if (!more()) return false;
    char u = text_[pos_++];
    unsigned high = static_cast<unsigned char>(u);
    if (u == '[' || u == ']' || u == '-' || u == '&') return false;
    if (u == '\\') {
      if (!more()) return false;
      if (!escapedChar(text_[pos_++], &high)) return false;
    }
    if (high < low) return false;
    out_ += "-" + hexChar(high);
    return true;
  }

  const std::string& text_;
  bool caseless_;
  size_t pos_ = 0;
  std::vector<size_t> opens_;  // where the text of each open group begins
  std::string out_;
};

// Whether case-insensitive matching can be in force anywhere in the pattern.
bool mayBeCaseless(const std::string& pattern, int flags) {
  if (flags & rx::kCaseInsensitive) return true;
  for (size_t at = pattern.find("(?"); at != std::string::npos; at = pattern.find("(?", at + 1)) {
    for (size_t i = at + 2; i < pattern.size() && pattern[i] != ')' && pattern[i] != ':'; ++i) {
      if (pattern[i] == 'i') return true;
    }
  }
  return false;
}

}  // namespace

bool toPcre2(const std::string& pattern, int flags, Pcre2Pattern* out) {
  if (flags & (rx::kUnixLines | rx::kLiteral)) return false;
  out->caseless = (flags & rx::kCaseInsensitive) != 0;
  out->dotAll = (flags & rx::kDotAll) != 0;
  out->multiLine = (flags & rx::kMultiLine) != 0;
  return Translator(pattern, mayBeCaseless(pattern, flags)).run(&out->text);
}

}  // namespace rxtest
