// Bounding a text and hiding its control bytes for a message line.
#include "support/shown_text.h"

std::string shownText(const std::string& text, std::size_t bound) {
  std::string shown = text.substr(0, bound);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  if (text.size() > bound) shown += "...";
  return shown;
}
