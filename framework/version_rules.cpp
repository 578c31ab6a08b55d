// Catalogue keys of adapter records and the comparison of version texts.
#include "framework/version_rules.h"

#include <strings.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <memory>

#include "regex/pattern.h"
#include "support/wide_text.h"

namespace {

// Compiled once for the process: every adapter of a run compares its version
// pieces. A pattern of its own rather than the shared cache, whose entries a
// caller with other flags (LITERAL) could have made first.
bool isAllDigits(const std::wstring& piece) {
  static const std::unique_ptr<WidePattern> digits = WidePattern::create(L"\\d+");
  return digits != nullptr && digits->matchesWhole(piece);
}

// Numeric order of two digit strings of any length: leading zeros do not
// count, a longer number is the larger, equal lengths compare digit by digit.
// Agrees with integer comparison wherever the pieces fit an int.
int compareDigitPieces(const std::wstring& a, const std::wstring& b) {
  const std::size_t aStart = std::min(a.find_first_not_of(L'0'), a.size());
  const std::size_t bStart = std::min(b.find_first_not_of(L'0'), b.size());
  const std::size_t aLength = a.size() - aStart;
  const std::size_t bLength = b.size() - bStart;
  if (aLength != bLength) return aLength < bLength ? -1 : 1;
  const int order = a.compare(aStart, aLength, b, bStart, bLength);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int comparePieces(const std::wstring& a, const std::wstring& b) {
  if (isAllDigits(a) && isAllDigits(b)) return compareDigitPieces(a, b);
  const int order = std::wcscmp(a.c_str(), b.c_str());
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

std::wstring catalogueKey(const FcAdapterRecord& record) {
  std::string key;
  if (strcasecmp(record.pciId, "N/A") != 0) key += record.pciId;
  if (strcasecmp(record.subsystemId, "N/A") != 0) key += record.subsystemId;
  for (std::size_t dot = 4; dot < key.size(); dot += 5) key.insert(dot, 1, '.');
  return widenBytes(key);
}

std::vector<std::wstring> splitVersion(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::wstring::npos; at = text.find(separator, start)) {
    pieces.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

int compareVersions(const std::wstring& a, const std::wstring& b) {
  const std::vector<std::wstring> as = splitVersion(a, L'.');
  const std::vector<std::wstring> bs = splitVersion(b, L'.');
  for (std::size_t i = 0;; ++i) {
    if (i == as.size()) return as.size() < bs.size() ? -1 : 0;
    if (i == bs.size()) return 1;
    const int order = comparePieces(as[i], bs[i]);
    if (order != 0) return order;
  }
}

std::wstring toUpperWide(const std::wstring& text) {
  std::wstring upper = text;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return upper;
}
