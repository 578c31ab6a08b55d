// The syntax-error report of the compiler: the pattern line, a caret line and
// the message, as bytes on the narrow standard error.
#pragma once

#include <string>

namespace rx {

enum class SyntaxMessage {
  Meta,     // the character before is one of ) * + ? ] }
  Plain,    // any other error
  Nesting,  // parentheses, classes or named sub-patterns nested too deep
};

// Writes the pattern line, the caret line and the message to standard error.
void printSyntaxError(const std::string& textBytes, int pos, SyntaxMessage message);

}  // namespace rx
