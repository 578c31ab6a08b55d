// The characters an automaton's program tells apart, grouped in classes:
// two characters of one class pass exactly the same instructions and look
// the same to every anchor, so the one-pass matcher and the lazy DFA keep
// one transition per class rather than per character. A byte table covers
// the values below 256; the wide form maps the rest by ranges.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/automaton.h"

namespace rx {

// What an anchor needs to know of the character on either side of a
// position (ASCII letters for \b, line terminators for ^ and $), and of the
// position itself. A context is the bits of one position: its own, the
// character before it shifted by kBefore, the one after by kAfter.
enum ContextBit : unsigned {
  kLetter = 1,
  kTerminator = 2,
  kAtStart = 1u << 4,
  kAtEnd = 1u << 5,
  // The rest of the subject is exactly "\r", "\n" or "\r\n", which \Z allows.
  kTerminatorTail = 1u << 6,
};
constexpr unsigned kBefore = 0;
constexpr unsigned kAfter = 2;

template <class Char>
class ClassMap {
 public:
  using Inst = typename Automaton<Char>::Inst;

  explicit ClassMap(const Automaton<Char>& automaton);

  int count() const { return count_; }
  int of(Char c) const {
    uint32_t v = CharTraits<Char>::code(c);
    return v < 256 ? low_[v] : ofHigh(c);
  }
  // Whether the consuming instruction `in` accepts the characters of class k.
  bool accepts(const Inst& in, int k) const;
  // kLetter and kTerminator for the characters of class k.
  unsigned sides(int k) const { return sides_[static_cast<size_t>(k)]; }

 private:
  // One partition of the character codes by a list of tests: ids for the
  // bytes, and for the wide form, ranges above 255 (bounds_[i] begins a
  // range of class ids_[i]). reps_ holds a code of each class.
  struct Partition {
    uint16_t low[256];
    std::vector<uint32_t> bounds;
    std::vector<uint16_t> ids;
    std::vector<uint32_t> reps;
    int of(uint32_t v) const;
  };
  template <class Test>
  static Partition partition(const std::vector<Test>& tests, const std::vector<uint32_t>& cuts);
  int ofHigh(Char c) const;

  // Raw tests see the character as it is; folded tests see it case-folded
  // (the case-insensitive characters and classes). A class is a pair of a
  // raw and a folded class.
  Partition raw_;
  Partition folded_;
  int foldedCount_ = 1;
  int count_ = 0;
  uint16_t low_[256];
  std::vector<unsigned> sides_;
};

}  // namespace rx
