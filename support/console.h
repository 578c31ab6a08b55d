// Console output that reaches the terminal whatever was written before.
//
// A C stdio stream takes the orientation of its first write, and after that
// the other kind of output fails silently. Every wide text is therefore
// converted to bytes and written on the narrow stream, never with wide I/O.
#pragma once

#include <cstdio>
#include <string>

void writeConsole(std::FILE* stream, const std::string& text);
void writeConsole(std::FILE* stream, const std::wstring& text);

inline void writeStdout(const std::string& text) { writeConsole(stdout, text); }
inline void writeStdout(const std::wstring& text) { writeConsole(stdout, text); }
