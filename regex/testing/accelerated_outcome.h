// The faster matchers run on their own, driven the way the matcher drives
// them, so that the tests and the differential fuzzer can compare each with
// the backtracker, the Pike VM and the reference matcher on any subject.
#pragma once

#include <memory>
#include <string>

#include "regex/accelerators.h"
#include "regex/testing/reference_matcher.h"

namespace rxtest {

enum class Fast {
  OnePass,      // whole matches and anchored tries at each start in turn
  Dfa,          // the DFAs behind the literal scans, groups from the Pike VM
  DfaNoLiteral  // the search and reverse DFAs alone
};

// One pattern's faster matchers, built once for every subject.
template <class Char>
class Accelerated {
 public:
  Accelerated(const rx::Graph<Char>& graph, Fast which);
  ~Accelerated();
  // False when the automaton or (for OnePass) the one-pass matcher does
  // not take the pattern.
  bool usable() const { return fast_ && (which_ != Fast::OnePass || fast_->onePass()); }
  // False (and *out untouched) when unusable or a DFA's cache filled up.
  bool outcome(const std::basic_string<Char>& subject, int maxFinds, Outcome* out);

 private:
  bool whole(rx::MatchState<Char>& st, Outcome* o);
  bool finds(rx::MatchState<Char>& st, int maxFinds, Outcome* o);
  int find(rx::MatchState<Char>& st, int from, int* start);

  const rx::Graph<Char>& graph_;
  Fast which_;
  std::unique_ptr<rx::Automaton<Char>> automaton_;
  std::unique_ptr<rx::Accelerators<Char>> fast_;
  std::unique_ptr<rx::AutomatonScratch<Char>> scratch_;
};

}  // namespace rxtest
