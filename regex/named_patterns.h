// The process-wide registry of named sub-patterns that {name} compiles in
// place; the narrow and the wide form each have their own.
#pragma once

#include <string>

namespace rx {

template <class Char>
bool findNamed(const std::basic_string<Char>& name, std::basic_string<Char>* text, int* flags);

template <class Char>
void storeNamed(const std::basic_string<Char>& name, const std::basic_string<Char>& text, int flags);

template <class Char>
void clearNamedTable();

}  // namespace rx
