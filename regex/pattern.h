// Public interface of the backtracking regex engine that parses vendor tool
// output, release texts and version pieces, in a narrow (char) and a wide
// (wchar_t) form with one dialect.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "regex/dump.h"
#include "regex/flags.h"
#include "regex/graph.h"
#include "regex/matcher.h"
#include "regex/matcher_pool.h"

namespace rx {
template <class Char>
class Automaton;
template <class Char>
class AutomatonScratch;
template <class Char>
class Accelerators;
}  // namespace rx

using Pattern = BasicPattern<char>;
using WidePattern = BasicPattern<wchar_t>;
using PatternMatcher = BasicPatternMatcher<char>;
using WidePatternMatcher = BasicPatternMatcher<wchar_t>;

template <class Char>
class BasicPattern {
 public:
  using String = std::basic_string<Char>;

  static constexpr int CASE_INSENSITIVE = rx::kCaseInsensitive, LITERAL = rx::kLiteral, DOT_ALL = rx::kDotAll,
                       MULTI_LINE = rx::kMultiLine, UNIX_LINES = rx::kUnixLines;
  // When a pattern builds its faster matchers (regex/accelerators.h): after
  // this many match calls (whole matches and searches, of all its matchers
  // together), or at once for a subject longer than this many characters.
  // A pattern compiled and matched once on a line never builds them.
  static constexpr int kAcceleratorUses = 16;
  static constexpr int kAcceleratorLength = 4096;

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
  // A pattern and its graph's first storage are one allocation (create).
  static void operator delete(void* storage) { ::operator delete(storage); }

  // A new matcher; its storage comes back to the pattern when it is
  // deleted, for the next one. Make and delete the matchers of one pattern
  // on one thread at a time; they may match on several at once.
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
  const rx::Graph<Char>& graph() const { return graph_; }
  String text() const { return String(text_); }
  int flags() const { return flags_; }

  // The node graph on standard output, a diagnostic of the narrow form.
  template <class C = Char, class = std::enable_if_t<std::is_same<C, char>::value>>
  void dump() const {
    rx::dumpPattern(graph_, text());
  }

  // The faster matchers if the pattern has built them: null before it has
  // earned them, and for a pattern the automaton does not take.
  const rx::Accelerators<Char>* accelerators() const { return accelerators_.load(std::memory_order_acquire); }
  // The same, built now whatever the uses (for the tests).
  const rx::Accelerators<Char>* acceleratorsNow() const;

 private:
  friend class BasicPatternMatcher<Char>;
  BasicPattern(const String& text, int flags, void* storage, size_t bytes);
  // The built-in matcher, made on first use.
  BasicPatternMatcher<Char>& builtIn();
  // The automaton, built when a match first needs it; null when the graph
  // does not fit one.
  const rx::Automaton<Char>* automaton() const;
  // Whether the backtracker must answer alone, on its full budget: the graph
  // does not fit an automaton, or its program turned out too large to build.
  bool backtrackerAlone() const {
    return !graph_.automatonFits || buildFailed_.load(std::memory_order_relaxed);
  }
  // Answers one match call (matchWhole, findFirst, findNext) on `st` from
  // `from`: the end of the match or -1, the groups in `st`. `scratch` holds
  // the automaton's thread lists of the caller, made when first needed.
  int run(rx::MatchState<Char>& st, int from, std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const;
  // The faster matchers for a call on a subject of `length`: built once the
  // pattern has earned them, counting this call as a use.
  const rx::Accelerators<Char>* acceleratorsFor(int length) const;
  // The call answered by the accelerators; kGaveUp when they leave it to
  // the backtracker.
  int runAccelerated(const rx::Accelerators<Char>& fast, rx::MatchState<Char>& st, int from,
                     std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const;
  // The backtracker, and the automaton where its budget runs out.
  int runBacktracker(rx::MatchState<Char>& st, int from, std::unique_ptr<rx::AutomatonScratch<Char>>& scratch,
                     const rx::Accelerators<Char>* fast) const;
  // The groups of the match located at `start`: the backtracker anchored
  // there, else the automaton from there.
  int groupsFrom(rx::MatchState<Char>& st, int start,
                 std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const;
  // False when a match from the start of `text` cannot begin: it lacks the
  // pattern's literal prefix.
  bool mayBegin(const Char* text, int length) const {
    std::basic_string_view<Char> prefix =
        static_cast<const rx::StartNode<Char>*>(graph_.head)->literalPrefix();
    return prefix.empty() || (length >= static_cast<int>(prefix.size()) && text[0] == prefix[0] &&
                              std::char_traits<Char>::compare(text, prefix.data(), prefix.size()) == 0);
  }
  // Whether `subject` matches whole, groups unwanted: matched where it
  // is, on the pattern's own whole-match state.
  bool wholeOnly(const String& subject);

  int flags_;
  rx::Graph<Char> graph_;
  // In the graph's storage, so that a long text costs no allocation of its own.
  std::basic_string_view<Char> text_;
  std::unique_ptr<BasicPatternMatcher<Char>> matcher_;
  // What matchesWhole matches on, kept so that repeated calls reuse its
  // group saves and thread lists.
  rx::MatchState<Char> wholeState_;
  std::unique_ptr<rx::AutomatonScratch<Char>> wholeScratch_;
  rx::MatcherPool<Char> pool_;
  // Matchers of one pattern may run at once, so each build happens once.
  mutable std::once_flag automatonOnce_;
  mutable std::unique_ptr<rx::Automaton<Char>> automaton_;
  mutable std::atomic<bool> buildFailed_{false};
  // Match calls so far, counted until the accelerators are built; a count
  // lost between threads only delays them.
  mutable std::atomic<int> uses_{0};
  mutable std::once_flag acceleratorsOnce_;
  mutable std::unique_ptr<rx::Accelerators<Char>> acceleratorsOwned_;
  mutable std::atomic<const rx::Accelerators<Char>*> accelerators_{nullptr};
};
