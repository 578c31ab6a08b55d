#include "framework/console.h"

#include "framework/wide_text.h"

void writeConsole(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

void writeConsole(std::FILE* stream, const std::wstring& text) { writeConsole(stream, toConsoleBytes(text)); }
