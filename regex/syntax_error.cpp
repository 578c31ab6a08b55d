// The syntax-error report: the pattern, a caret under the character just read
// and one of two messages, always as bytes on the narrow standard error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "regex/parse_state.h"

namespace rx {

namespace {

void appendUtf8(std::string& out, uint32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string CharTraits<wchar_t>::toReportBytes(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) appendUtf8(out, code(c));
  return out;
}

void printSyntaxError(const std::string& textBytes, int pos, bool metaBefore) {
  // The caret line is "%*c^" with a width of pos - 1: a width below one still
  // prints one blank, and a negative one pads on the left-justified side.
  long width = std::labs(static_cast<long>(pos) - 1);
  if (width < 1) width = 1;
  std::string report = textBytes;
  report += '\n';
  report.append(static_cast<size_t>(width), ' ');
  report += "^\n";
  report += metaBefore ? "Syntax Error near here. Possible unescaped meta character.\n"
                       : "Syntax Error near here. \n";
  (void)std::fwrite(report.data(), 1, report.size(), stderr);
  (void)std::fflush(stderr);
}

}  // namespace rx
