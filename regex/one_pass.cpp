// Building the one-pass table from the automaton's program, and the pass.
#include "regex/one_pass.h"

#include <map>
#include <utility>

#include "regex/closure.h"

namespace rx {

namespace {

template <class Char>
bool hasAnchor(const Automaton<Char>& automaton, bool tailOnly) {
  for (const auto& in : automaton.program()) {
    if (in.op != Automaton<Char>::Op::Assert) continue;
    bool tail =
        in.node->kind == NodeKind::EndOfInput && static_cast<const EndOfInputNode<Char>*>(in.node)->term;
    if (tail || !tailOnly) return true;
  }
  return false;
}

inline void save(int* slots, uint64_t saves, int p) {
  for (; saves; saves &= saves - 1) slots[__builtin_ctzll(saves)] = p;
}

}  // namespace

template <class Char>
std::unique_ptr<OnePass<Char>> OnePass<Char>::build(const Automaton<Char>& automaton,
                                                    const ClassMap<Char>& classes) {
  using Op = typename Automaton<Char>::Op;
  if (automaton.slotCount() > 64 || hasAnchor(automaton, true)) return nullptr;
  std::unique_ptr<OnePass> one(new OnePass(classes));
  const bool sided = hasAnchor(automaton, false);
  const int columns = classes.count() + 1;
  one->columns_ = columns;
  one->slots_ = automaton.slotCount();
  const auto& program = automaton.program();
  Closure<Char> closure(program);
  std::vector<typename Closure<Char>::Reached> reached;
  // A row is an instruction the thread runs next and the side before it.
  std::map<std::pair<int, unsigned>, int> rows;
  std::vector<std::pair<int, unsigned>> pending;
  auto rowOf = [&](int pc, unsigned side) {
    if (!sided) side = 0;
    auto it = rows.find({pc, side});
    if (it != rows.end()) return it->second;
    int base = static_cast<int>(rows.size()) * columns;
    rows.emplace(std::make_pair(pc, side), base);
    pending.emplace_back(pc, side);
    size_t cells = rows.size() * static_cast<size_t>(columns);
    one->next_.resize(cells, -1);
    one->match_.resize(cells, kNone);
    one->saves_.resize(cells, 0);
    one->matchSaves_.resize(cells, 0);
    return base;
  };
  for (unsigned side = 0; side < 4; ++side) one->startRows_[side] = rowOf(automaton.start(), side << kBefore);
  one->startRows_[4] = rowOf(automaton.start(), kAtStart);
  for (size_t done = 0; done < pending.size(); ++done) {
    if (pending.size() * static_cast<size_t>(columns) > kMaxCells) return nullptr;
    auto [pc, side] = pending[done];
    for (int k = 0; k < columns; ++k) {
      const bool edge = k == classes.count();
      const size_t cell = done * static_cast<size_t>(columns) + static_cast<size_t>(k);
      closure.walk(&pc, 1, side | (edge ? kAtEnd : classes.sides(k) << kAfter), &reached);
      int consumer = -1;
      for (const auto& r : reached) {
        const auto& in = program[static_cast<size_t>(r.pc)];
        if (in.op == Op::Match) {
          if (one->match_[cell] == kNone) {
            one->match_[cell] = consumer < 0 ? kMatchFirst : kMatchAfter;
            one->matchSaves_[cell] = r.saves;
          }
        } else if (!edge && classes.accepts(in, k)) {
          if (consumer >= 0) return nullptr;  // two ways on: not one-pass
          consumer = in.next;
          one->saves_[cell] = r.saves;
        }
      }
      if (consumer >= 0) {
        int next = rowOf(consumer, classes.sides(k) << kBefore);
        one->next_[cell] = next;
      }
    }
  }
  return one;
}

template <class Char>
int OnePass<Char>::rowFor(int from, const Char* text) const {
  if (from == 0) return startRows_[4];
  return startRows_[classes_.sides(classes_.of(text[from - 1]))];
}

// A match before the consuming instruction ends a search there; one after
// it is kept in case the thread dies later. A whole match takes only the
// match at the end.
template <class Char>
template <bool kWhole, bool kSlots>
int OnePass<Char>::scan(const Char* text, int length, int from, int* slots) const {
  int best[64];
  int bestEnd = -1;
  int row = rowFor(from, text);
  for (int p = from; p < length; ++p) {
    const size_t cell = static_cast<size_t>(row) + static_cast<size_t>(classes_.of(text[p]));
    if (!kWhole && match_[cell] != kNone) {
      if (match_[cell] == kMatchFirst) {
        if (kSlots) save(slots, matchSaves_[cell], p);
        return p;
      }
      if (kSlots) {
        std::copy(slots, slots + slots_, best);
        save(best, matchSaves_[cell], p);
      }
      bestEnd = p;
    }
    row = next_[cell];
    if (row < 0) {
      if (kWhole) return -1;
      if (kSlots && bestEnd >= 0) std::copy(best, best + slots_, slots);
      return bestEnd;
    }
    if (kSlots) save(slots, saves_[cell], p);
  }
  const size_t cell = static_cast<size_t>(row + columns_ - 1);
  if (match_[cell] != kNone) {
    if (kSlots) save(slots, matchSaves_[cell], length);
    return length;
  }
  if (kWhole) return -1;
  if (kSlots && bestEnd >= 0) std::copy(best, best + slots_, slots);
  return bestEnd;
}

template <class Char>
int OnePass<Char>::run(MatchState<Char>& st, int from) const {
  int slots[64];
  std::fill(slots, slots + slots_, -1);
  int end = st.wholeMode ? scan<true, true>(st.text, st.length, from, slots)
                         : scan<false, true>(st.text, st.length, from, slots);
  if (end < 0) return -1;
  for (int g = 1; 2 * g < slots_; ++g) {
    const size_t at = 2 * static_cast<size_t>(g);
    st.starts[g] = slots[at];
    st.ends[g] = slots[at + 1];
  }
  st.starts[0] = from;
  st.ends[0] = end;
  return end;
}

template <class Char>
int OnePass<Char>::end(const Char* text, int length, int from, bool whole) const {
  return whole ? scan<true, false>(text, length, from, nullptr)
               : scan<false, false>(text, length, from, nullptr);
}

template class OnePass<char>;
template class OnePass<wchar_t>;

}  // namespace rx
