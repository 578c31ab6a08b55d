// The one-pass matcher: for a pattern where, at every position, the next
// character leaves at most one way through the program, a whole match (or
// a search anchored at its start) is one left-to-right pass over a table,
// the groups saved on the way, with no thread lists and no backtracking.
//
// Which patterns qualify: those the automaton takes, without \Z, at most
// 31 capturing groups, and whose every thread list (the instructions
// reached from one position, under every context the anchors can see)
// holds at most one instruction that accepts any given character. A match
// instruction beside that one is allowed: its order decides, as in the Pike
// VM, whether the match ends there or the thread goes on. So \d+,
// [0-9]+\.[0-9]+\.[0-9]+ and (\w+)=(\w+) qualify; .*: (.+).* does not (a
// colon may belong to either .* or the ": "), nor do the components' line
// patterns or the release patterns, whose leading words are followed by .*.
// The table holds a row per (instruction, context side) and a column per
// character class; a pattern whose table would pass kMaxCells stays with
// the other matchers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "regex/char_classes.h"

namespace rx {

template <class Char>
class OnePassBuilder;

template <class Char>
class OnePass {
 public:
  static constexpr size_t kMaxCells = 1 << 16;

  // Null when the program is not one-pass.
  static std::unique_ptr<OnePass> build(const Automaton<Char>& automaton, const ClassMap<Char>& classes);

  // As the Pike VM's run from `from` in `st`'s mode (whole: from 0 to the
  // end; search: the preferred match starting at `from`, and no later
  // start): the end, or -1; the groups in `st` on success.
  int run(MatchState<Char>& st, int from) const;
  // The same without the groups: whole, whether text matches; else the end
  // of the preferred match starting at `from`.
  int end(const Char* text, int length, int from, bool whole) const;

 private:
  friend class OnePassBuilder<Char>;
  // What the pass does at a cell (a row and the class of the next
  // character): where it goes on, the slots saved on the way there, and
  // whether a match ends here before or after that way in preference.
  enum : uint8_t { kNone = 0, kMatchFirst = 1, kMatchAfter = 2 };

  explicit OnePass(const ClassMap<Char>& classes) : classes_(classes) {}
  int rowFor(int from, const Char* text) const;
  template <bool kWhole, bool kSlots>
  int scan(const Char* text, int length, int from, int* slots) const;

  const ClassMap<Char>& classes_;
  int columns_ = 0;  // classes, then one for the end of the subject
  // Per cell; a row is named by its first cell, so that no step multiplies.
  std::vector<int> next_;  // the row after the character, -1: no thread goes on
  std::vector<uint8_t> match_;
  std::vector<uint64_t> saves_;              // on the way to the consuming instruction
  std::vector<uint64_t> matchSaves_;         // on the way to the match
  int startRows_[5] = {-1, -1, -1, -1, -1};  // by the side before the start
  int slots_ = 0;
};

}  // namespace rx
