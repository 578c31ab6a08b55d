// The shell quoting rule.
#include "support/shell_quote.h"

#include <cstring>

namespace {

bool isSafe(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return c != '\0' && std::strchr("@%+=:,./_-", c) != nullptr;
}

}  // namespace

std::string shellQuote(const std::string& text) {
  if (text.empty()) return "''";
  bool safe = true;
  for (char c : text) safe = safe && isSafe(c);
  if (safe) return text;
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\"'\"'";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}
