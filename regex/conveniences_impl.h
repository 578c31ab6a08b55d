// The one-call conveniences on the pattern's built-in matcher: all matches,
// split and replace, and their static forms that compile on the spot.
// Included by pattern.cpp, which instantiates both forms.
#pragma once

#include <climits>

#include "regex/pattern.h"

template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::collectAll(const String& subject) {
  builtIn().setText(subject);
  return builtIn().findAll();
}

// A match at 0 with keepEmpty yields two empty pieces in front; a trailing
// empty piece is never added.
template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::splitText(const String& subject,
                                                                               bool keepEmpty, int limit) {
  size_t most = limit == 0 ? static_cast<size_t>(INT_MAX) : limit < 0 ? 0 : static_cast<size_t>(limit);
  std::vector<String> pieces;
  builtIn().setText(subject);
  int last = 0;
  while (pieces.size() < most && builtIn().findNext()) {
    int start = builtIn().groupStart(0), end = builtIn().groupEnd(0);
    if (start == 0 && keepEmpty) pieces.push_back(String());
    if (start == end && !keepEmpty) continue;
    if (start != last || keepEmpty) pieces.push_back(subject.substr(last, static_cast<size_t>(start - last)));
    last = end;
  }
  if (static_cast<size_t>(last) < subject.size()) pieces.push_back(subject.substr(static_cast<size_t>(last)));
  return pieces;
}

template <class Char>
typename BasicPattern<Char>::String BasicPattern<Char>::replaceAll(const String& subject,
                                                                   const String& replacement) {
  String out;
  builtIn().setText(subject);
  int last = 0;
  while (builtIn().findNext()) {
    int start = builtIn().groupStart(0);
    out += subject.substr(static_cast<size_t>(last), static_cast<size_t>(start - last));
    out += builtIn().substituteGroups(replacement);
    last = builtIn().groupEnd(0);
  }
  return out + subject.substr(static_cast<size_t>(last));
}

template <class Char>
bool BasicPattern<Char>::textMatches(const String& pattern, const String& subject, int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled && compiled->matchesWhole(subject);
}

template <class Char>
std::pair<typename BasicPattern<Char>::String, int> BasicPattern<Char>::nthMatch(const String& pattern,
                                                                                 const String& subject, int n,
                                                                                 int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  if (!compiled || n < 0) return {String(), -1};
  BasicPatternMatcher<Char>& m = compiled->builtIn();
  m.setText(subject);
  for (int found = 0; found <= n; ++found) {
    if (!m.findNext()) return {String(), -1};
  }
  if (m.groupStart(0) < 0) return {String(), -1};
  return {m.groupText(0), m.groupStart(0)};
}

template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::collectAll(const String& pattern,
                                                                                const String& subject,
                                                                                int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled ? compiled->collectAll(subject) : std::vector<String>();
}

template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::splitText(const String& pattern,
                                                                               const String& subject,
                                                                               bool keepEmpty, int limit,
                                                                               int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled ? compiled->splitText(subject, keepEmpty, limit) : std::vector<String>();
}

template <class Char>
typename BasicPattern<Char>::String BasicPattern<Char>::replaceAll(const String& pattern,
                                                                   const String& subject,
                                                                   const String& replacement, int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled ? compiled->replaceAll(subject, replacement) : String();
}
