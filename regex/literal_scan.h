// What a search looks for before any automaton state runs: a literal every
// match must contain, found with a fast scan of the subject.
//
// - Prefix: every match begins with this text (the start node's prefix).
//   A match can begin only where it occurs.
// - Inner: a text on the pattern's one path from its start to its end
//   (outside every loop and alternative), whose first character nothing
//   before it on that path can match; [0-9]+\.[0-9]+\.[0-9]+ has the first
//   ".". The part before it then cannot run over an occurrence, so from
//   an occurrence at i a backward scan of that part finds the earliest
//   start s that reaches it, and a match from any start in [s, i] takes its
//   literal at i: if the match anchored at s fails, no start up to i
//   matches, and the search goes on after i.
//
// A literal is found by its rarest character (by a fixed ranking of how
// common a character is in text like tool output and logs) with memchr
// (wmemchr wide), each hit checked in full. Where that character turns out
// common in the text, a narrow literal of two bytes or more is found
// instead by its two rarest bytes, 16 positions at a time with SSE2; SSE2
// is in every x86-64, and nothing newer is used.
// A first-character set alone is not used: on digit-dense text it passes
// nearly every position.
#pragma once

#include <string>

#include "regex/automaton.h"

namespace rx {

template <class Char>
class LiteralScan {
 public:
  enum class Place { None, Prefix, Inner };

  // With `plan` false, no literal: every search runs the DFAs alone.
  LiteralScan(const Graph<Char>& graph, const Automaton<Char>& automaton, bool plan = true);

  Place place() const { return place_; }
  const std::basic_string<Char>& text() const { return text_; }
  // Inner: the instruction of the literal's first character.
  int pc() const { return pc_; }
  // The first position at or after `from` where the literal occurs; -1 if none.
  int find(const Char* text, int length, int from) const;

 private:
  void planInner(const Graph<Char>& graph, const Automaton<Char>& automaton);
  void pickRare();
  int findPair(const Char* text, int length, int from) const;
  bool at(const Char* text, int i) const {
    return std::char_traits<Char>::compare(text + i, text_.data(), text_.size()) == 0;
  }

  Place place_ = Place::None;
  std::basic_string<Char> text_;
  int pc_ = -1;
  // The offsets in the literal of its rarest character and (narrow) of the
  // second rarest.
  int rare_ = 0;
  int rare2_ = 0;
};

}  // namespace rx
