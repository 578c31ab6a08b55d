// Text from files, archives and tools made safe to show in one console line.
#pragma once

#include <cstddef>
#include <string>

// At most `bound` bytes of the text (then "..."), every control byte shown
// as "?", so that whatever a name holds it stays one short line.
std::string shownText(const std::string& text, std::size_t bound);
