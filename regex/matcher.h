// The matcher of a compiled pattern over one subject: whole-subject match,
// successive searches, group positions and template substitution.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "regex/match_state.h"
#include "regex/subject_buffer.h"

template <class Char>
class BasicPattern;
namespace rx {
template <class Char>
class AutomatonScratch;
template <class Char>
class MatcherPool;
template <class Char>
class SubjectLoan;
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
  friend class rx::SubjectLoan<Char>;
  // A matcher of the pattern's pool, which takes and gives back its subject buffer.
  BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject, rx::MatcherPool<Char>* pool);
  // For the pattern's own operations, which finish with the subject before
  // they return: matches `subject` where it is, without a copy, until
  // endLoan (or setText).
  void lend(const String& subject);
  void endLoan();
  void bindSubject();
  void bindText(const Char* text, size_t size);
  int runHead(int from);

  BasicPattern<Char>* pattern_;
  // The pool this matcher belongs to, null for one of its own or once the
  // pattern is gone; the links chain the pool's live matchers.
  rx::MatcherPool<Char>* pool_ = nullptr;
  BasicPatternMatcher* poolPrev_ = nullptr;
  BasicPatternMatcher* poolNext_ = nullptr;
  rx::SubjectBuffer<Char> subject_;
  rx::MatchState<Char> state_;
  bool matched_ = false;
  bool exhausted_ = false;
  // The automaton's thread lists, made when it first runs for this matcher.
  std::unique_ptr<rx::AutomatonScratch<Char>> scratch_;
};

namespace rx {

// A pattern's own operations (collectAll, splitText, replaceAll, nthMatch)
// run its built-in matcher on the caller's subject for their duration: they
// are done with it before they return, so it needs no copy.
template <class Char>
class SubjectLoan {
 public:
  SubjectLoan(BasicPatternMatcher<Char>& m, const std::basic_string<Char>& subject) : m_(m) {
    m_.lend(subject);
  }
  ~SubjectLoan() { m_.endLoan(); }
  SubjectLoan(const SubjectLoan&) = delete;
  SubjectLoan& operator=(const SubjectLoan&) = delete;

 private:
  BasicPatternMatcher<Char>& m_;
};

}  // namespace rx
