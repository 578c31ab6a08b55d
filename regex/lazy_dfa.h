// A DFA over an automaton's program, its states built as a scan first needs
// them. A state is the Pike VM's list of threads at a position (the
// instructions they will run next, in order of preference, without their
// group slots) with what the anchors need to know of the character before
// it; one transition per character class, computed once, takes the
// threads over a character as the Pike VM would. So a forward scan finds
// exactly where the Pike VM's preferred match ends, in one table lookup a
// character, and a backward scan finds where a match begins.
//
// The four kinds:
// - Search: the Pike VM's search, a new thread at every position (with the
//   least preference) until a match is found; it gives the end of the
//   leftmost match, as this dialect chooses it;
// - Anchored: the same with one start only;
// - Whole: whether the subject matches whole (a set of threads, order
//   does not matter);
// - Reverse: backwards from a set of instructions at a position, whether
//   and how far back a way through the program from its start leads there.
//
// The states live in a cache with a hard size bound; when a scan needs a
// state past the bound it gives up (kGaveUp), and the caller answers with
// the Pike VM instead. States are never dropped, so a state once reached
// stays valid. Matchers of one pattern may scan at once: a scan reads the
// transitions without a lock, and takes the cache's lock only to compute
// one it has not seen.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "regex/char_classes.h"
#include "regex/closure.h"

namespace rx {

template <class Char>
class LazyDfa {
 public:
  enum class Kind { Search, Anchored, Whole, Reverse };
  static constexpr int kGaveUp = -2;
  // The cache's bound: the bytes of its states and their index.
  static constexpr size_t kMaxBytes = size_t{1} << 20;

  // A Reverse DFA scans back from the instructions `from` (the program's
  // matches, or a literal's first character) to the program's entry.
  LazyDfa(const Automaton<Char>& automaton, const ClassMap<Char>& classes, Kind kind,
          std::vector<int> from = {});
  ~LazyDfa();
  LazyDfa(const LazyDfa&) = delete;
  LazyDfa& operator=(const LazyDfa&) = delete;

  // Search and Anchored: the end of the preferred match from `from`, -1, or
  // kGaveUp. Whole: 1 when text[0, length) matches whole, else 0, or kGaveUp.
  int forward(const Char* text, int length, int from) const;
  // Reverse: the lowest position q in [low, from] where a way from the
  // entry at q reaches the instructions at `from`; -1 or kGaveUp.
  int backward(const Char* text, int length, int from, int low) const;

  // States built so far, for the tests.
  size_t stateCount() const;

 private:
  struct State;
  using Reached = typename Closure<Char>::Reached;

  const State* startState(unsigned side) const;
  // The transition from s over class k (k == classes.count(): the end of the
  // subject, or for Reverse its start); `tail`: the \Z context applies.
  const State* next(const State* s, int k, bool tail) const;
  const State* compute(const State* s, int k, bool tail) const;
  const State* computeForward(const State* s, int k, unsigned context) const;
  const State* computeBackward(const State* s, int k, unsigned context) const;
  // The state of these entries and flags, made if new; null past the bound.
  const State* intern(std::vector<int>& entries, unsigned flags) const;
  // Where the \Z context can apply: from this position on (forward) or at
  // and after it (backward); past the end when the program has no \Z.
  int tailFrom(const Char* text, int length) const;

  const Automaton<Char>& automaton_;
  const ClassMap<Char>& classes_;
  const Kind kind_;
  const std::vector<int> from_;
  bool hasTail_ = false;
  // Reverse: the instructions that lead to each one without consuming,
  // and the consuming ones whose next it is.
  std::vector<std::vector<int>> before_;
  std::vector<std::vector<int>> consumedBefore_;

  mutable std::mutex mutex_;  // the cache below, and the scratch
  struct KeyHash {
    size_t operator()(const std::vector<int>& key) const;
  };
  mutable std::unordered_map<std::vector<int>, const State*, KeyHash> states_;
  mutable std::vector<std::unique_ptr<unsigned char[]>> blocks_;
  mutable size_t blockUsed_ = 0;
  mutable size_t bytes_ = 0;
  mutable std::atomic<const State*> starts_[8];
  mutable Closure<Char> closure_;
  mutable std::vector<Reached> reached_;
  mutable std::vector<int> entries_;
  mutable std::vector<int> marks_;
  mutable std::vector<char> seen_;
  const State* dead_ = nullptr;
  const State* endMatch_ = nullptr;
  const State* endNoMatch_ = nullptr;
};

}  // namespace rx
