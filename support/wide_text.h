// Conversions between the narrow text of tools and files and the wide text
// of catalogue, inventory and version texts.
#pragma once

#include <string>

// The platform's multibyte conversion in the C locale; stops at the first
// byte it cannot convert (any byte above 127), keeping what came before.
std::wstring toWide(const std::string& text);

// Each byte becomes one wide character, the byte taken as a signed char
// (how XML attribute texts and PCI keys are widened).
std::wstring widenBytes(const std::string& text);

// Each wide character narrowed to its low 8 bits (how the report is written).
std::string narrowLow8(const std::wstring& text);

// The bytes the C locale gives for wide text, as a wide stream in the classic
// locale would write them; a character it cannot convert is written as '?'.
std::string toConsoleBytes(const std::wstring& text);
