// Recognising /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N as written.
#include "support/descriptor_name.h"

#include <cstring>

namespace {

// Nine digits or fewer always fit an int; a longer number is no descriptor.
constexpr std::size_t kMaxDigits = 9;

bool decimalNumber(const std::string& text, int& fd) {
  if (text.empty() || (text[0] == '0' && text.size() > 1)) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    if (text.size() <= kMaxDigits) value = value * 10 + (c - '0');
  }
  fd = text.size() <= kMaxDigits ? value : -1;
  return true;
}

}  // namespace

bool descriptorName(const std::string& path, int& fd) {
  if (path == "/dev/stdout" || path == "/dev/stderr") {
    fd = path == "/dev/stdout" ? 1 : 2;
    return true;
  }
  for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::size_t length = std::strlen(folder);
    if (path.compare(0, length, folder) == 0) return decimalNumber(path.substr(length), fd);
  }
  return false;
}
