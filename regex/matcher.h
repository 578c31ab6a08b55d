// The matcher of a compiled pattern over one subject: whole-subject match,
// successive searches, group positions and template substitution.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "regex/match_state.h"

template <class Char>
class BasicPattern;
namespace rx {
template <class Char>
class AutomatonScratch;
template <class Char>
class MatcherPool;
}  // namespace rx

template <class Char>
class BasicPatternMatcher {
 public:
  using String = std::basic_string<Char>;

  // The matcher keeps a copy of the subject and must not be used after the
  // pattern is gone; one made by Pattern::newMatcher may still be deleted
  // then.
  BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject);
  ~BasicPatternMatcher();
  BasicPatternMatcher(const BasicPatternMatcher&) = delete;
  BasicPatternMatcher& operator=(const BasicPatternMatcher&) = delete;

  // Matchers live in blocks a pattern may keep and reuse (rx::MatcherPool).
  static void* operator new(std::size_t bytes);
  static void* operator new(std::size_t bytes, rx::MatcherPool<Char>& pool);
  static void operator delete(void* storage);
  static void operator delete(void* storage, rx::MatcherPool<Char>& pool);

  void setText(const String& subject);
  void rewind();
  bool matchWhole();
  // setText and matchWhole in one, the groups cleared once.
  bool matchWhole(const String& subject);
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
  // "no match". Only a pattern without an automaton can give up, or a
  // subject longer than positions reach.
  bool limitExceeded() const { return state_.stopped; }
  // Rewinds, then the text of every successive match.
  std::vector<String> findAll();
  // The template with \n (all the digits that follow) replaced by group n.
  String substituteGroups(const String& replacement) const;

 private:
  friend class BasicPattern<Char>;
  friend class rx::MatcherPool<Char>;
  // A matcher of the pattern's pool, which takes and gives back its subject buffer.
  BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject, rx::MatcherPool<Char>* pool);
  void bindSubject();
  int runHead(int from);

  BasicPattern<Char>* pattern_;
  // The pool this matcher belongs to, null for one of its own or once the
  // pattern is gone; the links chain the pool's live matchers.
  rx::MatcherPool<Char>* pool_ = nullptr;
  BasicPatternMatcher* poolPrev_ = nullptr;
  BasicPatternMatcher* poolNext_ = nullptr;
  String subject_;
  rx::MatchState<Char> state_;
  bool matched_ = false;
  bool exhausted_ = false;
  // The automaton's thread lists, made when it first runs for this matcher.
  std::unique_ptr<rx::AutomatonScratch<Char>> scratch_;
};
