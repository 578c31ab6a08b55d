// Narrow writes of narrow and wide text to a console stream.
#include "support/console.h"

#include "support/wide_text.h"

void writeConsole(std::FILE* stream, const std::string& text) {
  // A closed or full console must not stop the run; nothing else can be told.
  (void)std::fwrite(text.data(), 1, text.size(), stream);
  (void)std::fflush(stream);
}

void writeConsole(std::FILE* stream, const std::wstring& text) { writeConsole(stream, toConsoleBytes(text)); }
