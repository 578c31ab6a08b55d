// Reading a stream line by line, whatever the length of a line.
#pragma once

#include <cstdio>
#include <string>

// Reads the next line into line without its "\n"; false at the end of the
// stream. A last line without "\n" is still a line.
bool readWholeLine(std::FILE* stream, std::string& line);
