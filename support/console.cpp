// Narrow writes of narrow and wide text to a console stream.
#include "support/console.h"

#include "support/wide_text.h"

void writeConsole(std::FILE* stream, const std::string& text) {
  // Once a write has failed (a reader that went away, a full device), the
  // stream keeps its error mark and the console counts as gone: later output
  // is dropped rather than tried again, and the run goes on.
  if (std::ferror(stream)) return;
  (void)std::fwrite(text.data(), 1, text.size(), stream);
  (void)std::fflush(stream);
}

void writeConsole(std::FILE* stream, const std::wstring& text) { writeConsole(stream, toConsoleBytes(text)); }
