// Bounded copies into the fixed fields of an adapter record.
#include "fchba/adapter_record.h"

#include <cstring>

void copyField(char* field, std::size_t size, const char* text) {
  if (size == 0) return;
  std::memset(field, 0, size);
  if (text == nullptr) return;
  std::size_t n = strnlen(text, size - 1);
  std::memcpy(field, text, n);
}
