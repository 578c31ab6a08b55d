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

// Fills the table row by row from the start: a row is an instruction the
// thread runs next and (when the pattern has anchors) the side of the
// context before it; each cell is the closure of its instruction under the
// context its column gives.
template <class Char>
class OnePassBuilder {
 public:
  using Op = typename Automaton<Char>::Op;

  OnePassBuilder(const Automaton<Char>& automaton, const ClassMap<Char>& classes, OnePass<Char>* one)
      : automaton_(automaton), classes_(classes), one_(one), closure_(automaton.program()) {}

  // False when the program is not one-pass or its table too large.
  bool build(bool sided) {
    sided_ = sided;
    one_->columns_ = classes_.count() + 1;
    one_->slots_ = automaton_.slotCount();
    for (unsigned side = 0; side < 4; ++side)
      one_->startRows_[side] = rowOf(automaton_.start(), side << kBefore);
    one_->startRows_[4] = rowOf(automaton_.start(), kAtStart);
    for (size_t done = 0; done < pending_.size(); ++done) {
      if (pending_.size() * static_cast<size_t>(one_->columns_) > OnePass<Char>::kMaxCells) return false;
      for (int k = 0; k < one_->columns_; ++k) {
        if (!fillCell(done, pending_[done].first, pending_[done].second, k)) return false;
      }
    }
    return true;
  }

 private:
  // The first cell of the row, made when new.
  int rowOf(int pc, unsigned side) {
    if (!sided_) side = 0;
    auto it = rows_.find({pc, side});
    if (it != rows_.end()) return it->second;
    int base = static_cast<int>(rows_.size()) * one_->columns_;
    rows_.emplace(std::make_pair(pc, side), base);
    pending_.emplace_back(pc, side);
    size_t cells = rows_.size() * static_cast<size_t>(one_->columns_);
    one_->next_.resize(cells, -1);
    one_->match_.resize(cells, OnePass<Char>::kNone);
    one_->saves_.resize(cells, 0);
    one_->matchSaves_.resize(cells, 0);
    return base;
  }

  // False when two ways take the column's characters.
  bool fillCell(size_t row, int pc, unsigned side, int k) {
    const bool edge = k == classes_.count();
    const size_t cell = row * static_cast<size_t>(one_->columns_) + static_cast<size_t>(k);
    closure_.walk(&pc, 1, side | (edge ? kAtEnd : classes_.sides(k) << kAfter), &reached_);
    int consumer = -1;
    for (const auto& r : reached_) {
      const auto& in = automaton_.program()[static_cast<size_t>(r.pc)];
      if (in.op == Op::Match) {
        if (one_->match_[cell] == OnePass<Char>::kNone) {
          one_->match_[cell] = consumer < 0 ? OnePass<Char>::kMatchFirst : OnePass<Char>::kMatchAfter;
          one_->matchSaves_[cell] = r.saves;
        }
      } else if (!edge && classes_.accepts(in, k)) {
        if (consumer >= 0) return false;
        consumer = in.next;
        one_->saves_[cell] = r.saves;
      }
    }
    if (consumer >= 0) {
      int next = rowOf(consumer, classes_.sides(k) << kBefore);
      one_->next_[cell] = next;
    }
    return true;
  }

  const Automaton<Char>& automaton_;
  const ClassMap<Char>& classes_;
  OnePass<Char>* one_;
  Closure<Char> closure_;
  std::vector<typename Closure<Char>::Reached> reached_;
  bool sided_ = false;
  std::map<std::pair<int, unsigned>, int> rows_;
  std::vector<std::pair<int, unsigned>> pending_;
};

template <class Char>
std::unique_ptr<OnePass<Char>> OnePass<Char>::build(const Automaton<Char>& automaton,
                                                    const ClassMap<Char>& classes) {
  if (automaton.slotCount() > 64 || hasAnchor(automaton, true)) return nullptr;
  std::unique_ptr<OnePass> one(new OnePass(classes));
  if (!OnePassBuilder<Char>(automaton, classes, one.get()).build(hasAnchor(automaton, false))) return nullptr;
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
