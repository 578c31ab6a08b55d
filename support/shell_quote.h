// Quoting of one word for /bin/sh, so that paths below an arbitrary system
// root survive being interpolated into a command text.
#pragma once

#include <string>

// Unchanged when every character is in A-Z a-z 0-9 @ % + = : , . / _ -
// (host and sysfs paths stay byte for byte the same); otherwise wrapped in
// single quotes, an embedded quote written as '"'"'. Empty text becomes ''.
std::string shellQuote(const std::string& text);
