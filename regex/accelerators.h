// The faster matchers a pattern builds from its automaton once it has been
// used enough to pay for them (BasicPattern::kAcceleratorUses calls, or one
// subject longer than kAcceleratorLength): never on compiling, never for a
// pattern compiled and matched once. What answers what:
//
// - A whole match: the one-pass matcher, for a pattern that qualifies
//   (regex/one_pass.h) and has no literal prefix; otherwise the
//   backtracker and the Pike VM as before, with the whole-match DFA ruling
//   out, in one pass, a subject the backtracker's budget ran out on.
// - A search: first the required literal (regex/literal_scan.h). Behind a
//   prefix, each occurrence is a candidate start, tried anchored; behind an
//   inner literal, a backward scan of the part before it finds the
//   candidate start, then tried anchored. Without a literal, the search DFA
//   finds where the leftmost match ends and the reverse DFA where it
//   begins. The anchored try is the one-pass matcher, else the anchored
//   DFA. The groups then come from that start only: the one-pass matcher,
//   else the backtracker anchored there, else the Pike VM from there.
//
// The patterns served are exactly those the automaton takes (no
// back-references, look-around, atomic or possessive parts, \G), narrow and
// wide. Each part is built when first needed; the DFAs' states as scans
// reach them. Every answer is the one the backtracker gives.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "regex/char_classes.h"
#include "regex/lazy_dfa.h"
#include "regex/literal_scan.h"
#include "regex/one_pass.h"

namespace rx {

template <class Char>
class Accelerators {
 public:
  static constexpr int kGaveUp = LazyDfa<Char>::kGaveUp;
  enum Which { kSearch, kAnchored, kWhole, kReverseMatch, kReverseLiteral, kCount };

  // What to build; the tests leave parts out to try the others alone.
  struct Parts {
    bool onePass = true;
    bool literal = true;
  };

  Accelerators(const Graph<Char>& graph, const Automaton<Char>& automaton, Parts parts = Parts());

  // Null when the pattern is not one-pass.
  const OnePass<Char>* onePass() const { return onePass_.get(); }
  // The one-pass matcher when it is the one for whole matches: a pattern
  // with a literal prefix stays with the backtracker, whose prefix test
  // rejects a line at once and whose runs of .* take one step.
  const OnePass<Char>* wholeMatcher() const { return wholeOnePass_; }
  const LiteralScan<Char>& literal() const { return literal_; }
  const ClassMap<Char>& classes() const { return classes_; }
  // A DFA of the pattern, made on first use.
  const LazyDfa<Char>& dfa(Which which) const;

  // Whether text matches whole: 1, 0, or kGaveUp.
  int wholeMatches(const Char* text, int length) const;
  // The leftmost match at or after `from`: its end, with its start in
  // *start; -1 when there is none, or kGaveUp.
  int locate(const Char* text, int length, int from, int* start) const;

 private:
  int anchoredEnd(const Char* text, int length, int start) const;
  int locateAfterPrefix(const Char* text, int length, int from, int* start) const;
  int locateAroundInner(const Char* text, int length, int from, int* start) const;

  const Automaton<Char>& automaton_;
  ClassMap<Char> classes_;
  LiteralScan<Char> literal_;
  std::unique_ptr<OnePass<Char>> onePass_;
  const OnePass<Char>* wholeOnePass_ = nullptr;
  mutable std::mutex dfaMutex_;
  mutable std::unique_ptr<LazyDfa<Char>> dfaOwned_[kCount];
  mutable std::atomic<const LazyDfa<Char>*> dfas_[kCount];
};

}  // namespace rx
