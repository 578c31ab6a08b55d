// Whole-line reads with getline.
#include "support/line_reader.h"

#include <sys/types.h>

#include <cstdlib>

bool readWholeLine(std::FILE* stream, std::string& line) {
  char* buffer = nullptr;
  std::size_t capacity = 0;
  const ssize_t length = getline(&buffer, &capacity, stream);
  if (length < 0) {
    std::free(buffer);
    return false;
  }
  line.assign(buffer, static_cast<std::size_t>(length));
  std::free(buffer);
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return true;
}
