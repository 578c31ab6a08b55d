// The matcher of a compiled pattern over one subject: whole-subject match,
// successive searches, group positions and template substitution.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "regex/match_state.h"

template <class Char>
class BasicPattern;
namespace rx {
template <class Char>
class AutomatonScratch;
}  // namespace rx

template <class Char>
class BasicPatternMatcher {
 public:
  using String = std::basic_string<Char>;

  // The matcher keeps a copy of the subject and must not outlive the pattern.
  BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject);
  ~BasicPatternMatcher();
  BasicPatternMatcher(const BasicPatternMatcher&) = delete;
  BasicPatternMatcher& operator=(const BasicPatternMatcher&) = delete;

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
  void bindSubject();
  int runHead(int from);

  BasicPattern<Char>* pattern_;
  String subject_;
  rx::MatchState<Char> state_;
  bool matched_ = false;
  bool exhausted_ = false;
  // The automaton's thread lists, made when it first runs for this matcher.
  std::unique_ptr<rx::AutomatonScratch<Char>> scratch_;
};
