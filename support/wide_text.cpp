// The narrow and wide text conversions.
#include "support/wide_text.h"

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <vector>

std::wstring toWide(const std::string& text) {
  std::vector<wchar_t> buffer(text.size() + 1, L'\0');
  // On an unconvertible byte mbstowcs returns -1 but has stored the
  // characters before it, which is the part the caller gets.
  (void)std::mbstowcs(buffer.data(), text.c_str(), text.size());
  return std::wstring(buffer.data());
}

std::wstring widenBytes(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (char c : text) wide += static_cast<wchar_t>(static_cast<signed char>(c));
  return wide;
}

std::string narrowLow8(const std::wstring& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (wchar_t c : text) narrow += static_cast<char>(static_cast<unsigned int>(c) & 0xffu);
  return narrow;
}

std::string toConsoleBytes(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  std::mbstate_t state{};
  char out[MB_LEN_MAX];
  for (wchar_t c : text) {
    std::size_t n = std::wcrtomb(out, c, &state);
    if (n == static_cast<std::size_t>(-1)) {
      bytes += '?';
      state = std::mbstate_t{};
    } else {
      bytes.append(out, n);
    }
  }
  return bytes;
}
