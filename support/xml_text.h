// Text an XML 1.0 document can carry: what goes into the report has every
// other character taken out, so that the report always parses.
#pragma once

#include <string>

// bytes with everything XML 1.0 cannot carry left out: C0 controls other
// than tab, line feed and carriage return; U+FFFE and U+FFFF; and every byte
// that does not begin a well-formed UTF-8 sequence (a stray continuation
// byte, a lead byte cut short, an overlong form, a surrogate, a value past
// U+10FFFF). A malformed sequence is dropped one byte at a time: its first
// byte goes and the next byte is judged afresh, so a character after a cut
// sequence survives. Everything else (DEL and C1 controls included, which
// XML 1.0 allows) is kept byte for byte.
std::string xmlCharactersOnly(const std::string& bytes);
