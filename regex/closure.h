// The walk over an automaton's program that both the one-pass matcher and
// the lazy DFA build their transitions from: from a list of instructions,
// in order of preference, every way that consumes nothing, exactly as the
// Pike VM's thread lists are made, with the anchors judged from a context
// (what lies on either side of the position) instead of the subject.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/char_classes.h"

namespace rx {

// The context bits of position p of a subject of `length` characters.
template <class Char>
unsigned contextAt(const Char* text, int length, int p, const ClassMap<Char>& classes);

// Whether an anchor instruction's node holds in a context.
template <class Char>
bool anchorHolds(const Node<Char>* anchor, unsigned context);

template <class Char>
class Closure {
 public:
  using Inst = typename Automaton<Char>::Inst;
  using Op = typename Automaton<Char>::Op;

  // An instruction that consumes a character or matches, reached by a way
  // that saved the slots in `saves` (bit i: slot i, up to 64).
  struct Reached {
    int pc;
    uint64_t saves;
  };

  explicit Closure(const std::vector<Inst>& program)
      : program_(program), seen_(program.size(), 0), stack_(2 * program.size() + 2) {}

  // Follows the entries in turn, each the way the Pike VM follows a thread,
  // and lists what they reach, each instruction once, first way first.
  void walk(const int* entries, size_t count, unsigned context, std::vector<Reached>* out) {
    out->clear();
    if (++generation_ == 0) {
      std::fill(seen_.begin(), seen_.end(), 0);
      generation_ = 1;
    }
    for (size_t i = 0; i < count; ++i) follow(entries[i], context, out);
  }

 private:
  void follow(int pc, unsigned context, std::vector<Reached>* out) {
    // Each instruction is entered at most once and pushes at most one
    // frame, so the stack, sized for that, never grows.
    size_t top = 0;
    stack_[top++] = Reached{pc, 0};
    while (top > 0) {
      Reached f = stack_[--top];
      for (int at = f.pc; at >= 0 && seen_[static_cast<size_t>(at)] != generation_;) {
        seen_[static_cast<size_t>(at)] = generation_;
        const Inst& in = program_[static_cast<size_t>(at)];
        switch (in.op) {
          case Op::Jump:
            at = in.next;
            break;
          case Op::Split:
            stack_[top++] = Reached{in.alt, f.saves};
            at = in.next;
            break;
          case Op::Save:
            if (in.slot < 64) f.saves |= uint64_t{1} << in.slot;
            at = in.next;
            break;
          case Op::Assert:
            at = anchorHolds(in.node, context) ? in.next : -1;
            break;
          case Op::Match:
          case Op::Character:
          case Op::CIChar:
          case Op::Class:
            out->push_back(Reached{at, f.saves});
            at = -1;
            break;
        }
      }
    }
  }

  const std::vector<Inst>& program_;
  std::vector<uint32_t> seen_;
  uint32_t generation_ = 0;
  std::vector<Reached> stack_;
};

}  // namespace rx
