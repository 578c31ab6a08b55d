// Public interface of the backtracking regex engine that parses vendor tool
// output, release texts and version pieces, in a narrow (char) and a wide
// (wchar_t) form with one dialect.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "regex/match_state.h"

namespace rx {
template <class Char>
class Graph;
// Prints the node graph of a narrow pattern to standard output.
void dumpPattern(const Graph<char>& graph, const std::string& text);
}  // namespace rx

template <class Char>
class BasicPattern;
template <class Char>
class BasicPatternMatcher;

using Pattern = BasicPattern<char>;
using WidePattern = BasicPattern<wchar_t>;
using PatternMatcher = BasicPatternMatcher<char>;
using WidePatternMatcher = BasicPatternMatcher<wchar_t>;

template <class Char>
class BasicPattern {
 public:
  using String = std::basic_string<Char>;

  static constexpr int CASE_INSENSITIVE = 1, LITERAL = 2, DOT_ALL = 4, MULTI_LINE = 8, UNIX_LINES = 16;

  // Null after a syntax error, which has been reported on standard error.
  static std::unique_ptr<BasicPattern> create(const String& pattern, int flags = 0);
  // The pattern cached for this text, whatever flags it was first compiled
  // with; a failed compile is cached as null and not reported again. The
  // cache owns the pattern until clearCache.
  static BasicPattern* createCached(const String& pattern, int flags = 0);
  static void clearCache();
  // Registers `text` for {name} after a test compile; false if it does not compile.
  static bool defineNamed(const String& name, const String& text, int flags = 0);
  static void clearNamed();

  // One-call conveniences: compile, use, discard. A pattern that does not
  // compile gives false, nothing, "" or ("", -1).
  static bool textMatches(const String& pattern, const String& subject, int flags = 0);
  static std::pair<String, int> nthMatch(const String& pattern, const String& subject, int n, int flags = 0);
  static std::vector<String> collectAll(const String& pattern, const String& subject, int flags = 0);
  static std::vector<String> splitText(const String& pattern, const String& subject, bool keepEmpty,
                                       int limit, int flags = 0);
  static String replaceAll(const String& pattern, const String& subject, const String& replacement,
                           int flags = 0);

  ~BasicPattern();
  BasicPattern(const BasicPattern&) = delete;
  BasicPattern& operator=(const BasicPattern&) = delete;

  std::unique_ptr<BasicPatternMatcher<Char>> newMatcher(const String& subject);
  // These use the pattern's built-in matcher: one caller at a time.
  bool matchesWhole(const String& subject);
  std::vector<String> collectAll(const String& subject);
  // The pieces between matches; a limit of 0 means no limit.
  std::vector<String> splitText(const String& subject, bool keepEmpty = false, int limit = 0);
  // Every match replaced by the template, with \n for group n.
  String replaceAll(const String& subject, const String& replacement);

  int groupCount() const;
  // The compiled node graph, for diagnostics and the tests.
  const rx::Graph<Char>& graph() const { return *graph_; }
  const String& text() const { return text_; }
  int flags() const { return flags_; }

  // The node graph on standard output, a diagnostic of the narrow form.
  template <class C = Char, class = std::enable_if_t<std::is_same<C, char>::value>>
  void dump() const {
    rx::dumpPattern(*graph_, text_);
  }

 private:
  friend class BasicPatternMatcher<Char>;
  BasicPattern(const String& text, int flags, std::unique_ptr<rx::Graph<Char>> graph);
  // The built-in matcher, made on first use.
  BasicPatternMatcher<Char>& builtIn();

  String text_;
  int flags_;
  std::unique_ptr<rx::Graph<Char>> graph_;
  std::unique_ptr<BasicPatternMatcher<Char>> matcher_;
};

template <class Char>
class BasicPatternMatcher {
 public:
  using String = std::basic_string<Char>;

  // The matcher keeps a copy of the subject and must not outlive the pattern.
  BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject);
  BasicPatternMatcher(const BasicPatternMatcher&) = delete;
  BasicPatternMatcher& operator=(const BasicPatternMatcher&) = delete;

  void setText(const String& subject);
  void rewind();
  bool matchWhole();
  bool findFirst();
  // Searches after the previous match; after a search that failed it keeps
  // returning false until rewind or setText.
  bool findNext();
  int groupStart(int i) const;
  int groupEnd(int i) const;
  String groupText(int i) const;
  std::vector<String> groupTexts(bool includeWhole) const;
  // True when the latest matchWhole, findFirst or findNext gave up at the
  // depth bound or the step budget: its false then means "gave up", not
  // "no match".
  bool limitExceeded() const { return state_.stopped; }
  // Rewinds, then the text of every successive match.
  std::vector<String> findAll();
  // The template with \n (all the digits that follow) replaced by group n.
  String substituteGroups(const String& replacement) const;

 private:
  void bindSubject();
  int runHead(int from);

  BasicPattern<Char>* pattern_;
  String subject_;
  rx::MatchState<Char> state_;
  bool matched_ = false;
  bool exhausted_ = false;
};
