// Trimming and space folding of the texts an adapter reports.
#include "fchba/text_normalise.h"

namespace {

bool isKept(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 0x21 && byte <= 0x7D;
}

}  // namespace

void normaliseText(std::string& text) {
  std::size_t end = text.size();
  while (end > 1 && !isKept(text[end - 1])) --end;
  text.resize(end);
  std::string collapsed;
  collapsed.reserve(text.size());
  for (char c : text) {
    if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ') continue;
    collapsed += c;
  }
  text.swap(collapsed);
}
