// The faster matchers of a pattern, and how a search uses them.
#include "regex/accelerators.h"

namespace rx {

template <class Char>
Accelerators<Char>::Accelerators(const Graph<Char>& graph, const Automaton<Char>& automaton, Parts parts)
    : automaton_(automaton),
      classes_(automaton),
      literal_(graph, automaton, parts.literal),
      onePass_(parts.onePass ? OnePass<Char>::build(automaton, classes_) : nullptr) {
  for (auto& d : dfas_) d.store(nullptr, std::memory_order_relaxed);
  if (literal_.place() != LiteralScan<Char>::Place::Prefix) wholeOnePass_ = onePass_.get();
}

template <class Char>
const LazyDfa<Char>& Accelerators<Char>::dfa(Which which) const {
  const LazyDfa<Char>* d = dfas_[which].load(std::memory_order_acquire);
  if (d) return *d;
  std::lock_guard<std::mutex> lock(dfaMutex_);
  if (!dfaOwned_[which]) {
    using Kind = typename LazyDfa<Char>::Kind;
    std::vector<int> from;
    Kind kind = which == kSearch     ? Kind::Search
                : which == kAnchored ? Kind::Anchored
                : which == kWhole    ? Kind::Whole
                                     : Kind::Reverse;
    if (which == kReverseLiteral) from.push_back(literal_.pc());
    if (which == kReverseMatch) {
      const auto& program = automaton_.program();
      for (size_t pc = 0; pc < program.size(); ++pc) {
        if (program[pc].op == Automaton<Char>::Op::Match) from.push_back(static_cast<int>(pc));
      }
    }
    dfaOwned_[which] = std::make_unique<LazyDfa<Char>>(automaton_, classes_, kind, std::move(from));
    dfas_[which].store(dfaOwned_[which].get(), std::memory_order_release);
  }
  return *dfaOwned_[which];
}

template <class Char>
int Accelerators<Char>::wholeMatches(const Char* text, int length) const {
  if (onePass_) return onePass_->end(text, length, 0, true) >= 0 ? 1 : 0;
  return dfa(kWhole).forward(text, length, 0);
}

template <class Char>
int Accelerators<Char>::anchoredEnd(const Char* text, int length, int start) const {
  if (onePass_) return onePass_->end(text, length, start, false);
  return dfa(kAnchored).forward(text, length, start);
}

template <class Char>
int Accelerators<Char>::locate(const Char* text, int length, int from, int* start) const {
  switch (literal_.place()) {
    case LiteralScan<Char>::Place::Prefix:
      return locateAfterPrefix(text, length, from, start);
    case LiteralScan<Char>::Place::Inner:
      return locateAroundInner(text, length, from, start);
    case LiteralScan<Char>::Place::None:
      break;
  }
  int end = dfa(kSearch).forward(text, length, from);
  if (end < 0) return end;
  *start = dfa(kReverseMatch).backward(text, length, end, from);
  return *start < 0 ? kGaveUp : end;
}

// Every match begins with the prefix: the first occurrence where the
// anchored try succeeds is the leftmost match.
template <class Char>
int Accelerators<Char>::locateAfterPrefix(const Char* text, int length, int from, int* start) const {
  for (int q = from; q <= length;) {
    int i = literal_.find(text, length, q);
    if (i < 0) return -1;
    int end = anchoredEnd(text, length, i);
    if (end != -1) {
      *start = i;
      return end;
    }
    q = i + 1;
  }
  return -1;
}

// See regex/literal_scan.h: no start at or before a failed occurrence can
// match, so `low` moves past it.
template <class Char>
int Accelerators<Char>::locateAroundInner(const Char* text, int length, int from, int* start) const {
  const LazyDfa<Char>& back = dfa(kReverseLiteral);
  for (int low = from; low <= length;) {
    int i = literal_.find(text, length, low);
    if (i < 0) return -1;
    int s = back.backward(text, length, i, low);
    if (s == kGaveUp) return kGaveUp;
    if (s >= 0) {
      int end = anchoredEnd(text, length, s);
      if (end != -1) {
        *start = s;
        return end;
      }
    }
    low = i + 1;
  }
  return -1;
}

template class Accelerators<char>;
template class Accelerators<wchar_t>;

}  // namespace rx
