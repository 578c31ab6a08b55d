// Named sub-pattern tables: name -> (pattern text, flags).
#include "regex/named_patterns.h"

#include <map>
#include <utility>

namespace rx {

namespace {

template <class Char>
using NamedTable = std::map<std::basic_string<Char>, std::pair<std::basic_string<Char>, int>>;

template <class Char>
NamedTable<Char>& namedTable() {
  static NamedTable<Char> table;
  return table;
}

}  // namespace

template <class Char>
bool findNamed(const std::basic_string<Char>& name, std::basic_string<Char>* text, int* flags) {
  const NamedTable<Char>& table = namedTable<Char>();
  auto it = table.find(name);
  if (it == table.end()) return false;
  *text = it->second.first;
  *flags = it->second.second;
  return true;
}

template <class Char>
void storeNamed(const std::basic_string<Char>& name, const std::basic_string<Char>& text, int flags) {
  namedTable<Char>()[name] = std::make_pair(text, flags);
}

template <class Char>
void clearNamedTable() {
  namedTable<Char>().clear();
}

template bool findNamed<char>(const std::string&, std::string*, int*);
template bool findNamed<wchar_t>(const std::wstring&, std::wstring*, int*);
template void storeNamed<char>(const std::string&, const std::string&, int);
template void storeNamed<wchar_t>(const std::wstring&, const std::wstring&, int);
template void clearNamedTable<char>();
template void clearNamedTable<wchar_t>();

}  // namespace rx
