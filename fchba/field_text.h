// Reading the fixed text fields of HBA API records, which a library need not
// terminate when the text fills the whole field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}
