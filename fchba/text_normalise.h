// The clean-up applied to the descriptive texts an adapter reports, which
// libraries often pad with spaces or trailing bytes.
#pragma once

#include <string>

// Drops trailing bytes outside 0x21..0x7D (never the first character), then
// turns every run of two or more spaces into one space.
void normaliseText(std::string& text);
