// The syntax-error report: the pattern, a caret under the character just read
// and the message, always as bytes on the narrow standard error.
#include "regex/syntax_error.h"

#include <cstdio>
#include <cstdlib>

namespace rx {

namespace {

const char* messageText(SyntaxMessage message) {
  switch (message) {
    case SyntaxMessage::Meta:
      return "Syntax Error near here. Possible unescaped meta character.\n";
    case SyntaxMessage::Plain:
      return "Syntax Error near here. \n";
    case SyntaxMessage::Nesting:
      return "Syntax Error near here. Nested too deeply.\n";
  }
  return "Syntax Error near here. \n";
}

}  // namespace

void printSyntaxError(const std::string& textBytes, int pos, SyntaxMessage message) {
  // The caret line is "%*c^" with a width of pos - 1: a width below one still
  // prints one blank, and a negative one pads on the left-justified side.
  long width = std::labs(static_cast<long>(pos) - 1);
  if (width < 1) width = 1;
  std::string report = textBytes;
  report += '\n';
  report.append(static_cast<size_t>(width), ' ');
  report += "^\n";
  report += messageText(message);
  (void)std::fwrite(report.data(), 1, report.size(), stderr);
  (void)std::fflush(stderr);
}

}  // namespace rx
