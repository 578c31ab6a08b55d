// Dropping what XML 1.0 cannot carry from UTF-8 text.
#include "support/xml_text.h"

namespace {

bool continuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

// The lead bytes of the multi-byte forms, with each form's length, its
// lowest code point (anything lower is overlong) and the lead's payload bits.
struct Form {
  unsigned char first;
  unsigned char last;
  std::size_t length;
  unsigned long lowest;
  unsigned char payload;
};
const Form kForms[] = {
    {0xC2, 0xDF, 2, 0x80, 0x1F}, {0xE0, 0xEF, 3, 0x800, 0x0F}, {0xF0, 0xF4, 4, 0x10000, 0x07}};

// The length of the well-formed UTF-8 sequence at bytes[at] and its code
// point; 0 when none begins there.
std::size_t decode(const std::string& bytes, std::size_t at, unsigned long& code) {
  const unsigned char lead = static_cast<unsigned char>(bytes[at]);
  code = lead;
  if (lead < 0x80u) return 1;
  for (const Form& form : kForms) {
    if (lead < form.first || lead > form.last) continue;
    if (bytes.size() - at < form.length) return 0;
    code = lead & form.payload;
    for (std::size_t i = 1; i < form.length; ++i) {
      const unsigned char next = static_cast<unsigned char>(bytes[at + i]);
      if (!continuation(next)) return 0;
      code = (code << 6) | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < form.lowest || code > 0x10FFFF || surrogate ? 0 : form.length;
  }
  return 0;
}

// The Char production of XML 1.0.
bool xmlCharacter(unsigned long code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

}  // namespace

std::string xmlCharactersOnly(const std::string& bytes) {
  std::string kept;
  kept.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    unsigned long code = 0;
    const std::size_t length = decode(bytes, at, code);
    if (length == 0) {
      ++at;
      continue;
    }
    if (xmlCharacter(code)) kept.append(bytes, at, length);
    at += length;
  }
  return kept;
}
