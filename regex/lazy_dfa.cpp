// The lazy DFA: its scans, and the transitions it computes on demand.
#include "regex/lazy_dfa.h"

#include <algorithm>
#include <new>

namespace rx {

namespace {

// A state's flags beside its side of the context.
constexpr unsigned kMatchBefore = 1u << 8;  // a match ended just before the character that led here
constexpr unsigned kStop = 1u << 9;         // no thread goes on: the scan ends here
constexpr unsigned kMatched = 1u << 10;     // Search: a match was found, no more new threads
constexpr size_t kBlockBytes = size_t{64} * 1024;

}  // namespace

// The entries are the instructions the threads run next (forward: in order
// of preference; backward and whole: sorted, as only the set counts). The
// transitions follow the state in its block, one per class and one for the
// end (forward) or the start (backward) of the subject.
template <class Char>
struct LazyDfa<Char>::State {
  unsigned flags;  // the kinds above, and the side of the context this state knows
  int count;
  const int* entries;
  std::atomic<const State*>* next() const {
    return reinterpret_cast<std::atomic<const State*>*>(const_cast<State*>(this) + 1);
  }
};

template <class Char>
size_t LazyDfa<Char>::KeyHash::operator()(const std::vector<int>& key) const {
  size_t h = 14695981039346656037u;
  for (int v : key) h = (h ^ static_cast<size_t>(static_cast<unsigned>(v))) * 1099511628211u;
  return h;
}

template <class Char>
LazyDfa<Char>::LazyDfa(const Automaton<Char>& automaton, const ClassMap<Char>& classes, Kind kind,
                       std::vector<int> from)
    : automaton_(automaton),
      classes_(classes),
      kind_(kind),
      from_(std::move(from)),
      closure_(automaton.program()) {
  using Op = typename Automaton<Char>::Op;
  const auto& program = automaton.program();
  for (const auto& in : program) {
    if (in.op == Op::Assert && in.node->kind == NodeKind::EndOfInput &&
        static_cast<const EndOfInputNode<Char>*>(in.node)->term)
      hasTail_ = true;
  }
  for (auto& start : starts_) start.store(nullptr, std::memory_order_relaxed);
  std::vector<int> none;
  dead_ = intern(none, kStop);
  endMatch_ = intern(none, kStop | kMatchBefore);
  endNoMatch_ = dead_;
  if (kind_ != Kind::Reverse) return;
  before_.resize(program.size());
  consumedBefore_.resize(program.size());
  for (size_t i = 0; i < program.size(); ++i) {
    const auto& in = program[i];
    int pc = static_cast<int>(i);
    if (in.op == Op::Match) continue;
    bool consumes = in.op == Op::Character || in.op == Op::CIChar || in.op == Op::Class;
    if (in.next >= 0) (consumes ? consumedBefore_ : before_)[static_cast<size_t>(in.next)].push_back(pc);
    if (in.op == Op::Split && in.alt >= 0) before_[static_cast<size_t>(in.alt)].push_back(pc);
  }
}

template <class Char>
LazyDfa<Char>::~LazyDfa() = default;

template <class Char>
size_t LazyDfa<Char>::stateCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return states_.size();
}

template <class Char>
int LazyDfa<Char>::tailFrom(const Char* text, int length) const {
  if (!hasTail_) return length;
  const Char cr = static_cast<Char>('\r'), lf = static_cast<Char>('\n');
  if (length >= 2 && text[length - 2] == cr && text[length - 1] == lf) return length - 2;
  if (length >= 1 && (text[length - 1] == cr || text[length - 1] == lf)) return length - 1;
  return length;
}

template <class Char>
const typename LazyDfa<Char>::State* LazyDfa<Char>::startState(unsigned side) const {
  bool edge = (side & (kAtStart | kAtEnd)) != 0;
  size_t index = edge ? 4 : (side >> (kind_ == Kind::Reverse ? kAfter : kBefore)) & 3;
  const State* s = starts_[index].load(std::memory_order_acquire);
  if (s) return s;
  std::lock_guard<std::mutex> lock(mutex_);
  s = starts_[index].load(std::memory_order_relaxed);
  if (s) return s;
  std::vector<int> entries;
  if (kind_ == Kind::Anchored || kind_ == Kind::Whole) entries.push_back(automaton_.start());
  if (kind_ == Kind::Reverse) {
    entries = from_;
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  }
  s = intern(entries, side);
  starts_[index].store(s, std::memory_order_release);
  return s;
}

template <class Char>
const typename LazyDfa<Char>::State* LazyDfa<Char>::next(const State* s, int k, bool tail) const {
  if (!tail) {
    const State* t = s->next()[k].load(std::memory_order_acquire);
    if (t) return t;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (!tail) {
    const State* t = s->next()[k].load(std::memory_order_relaxed);
    if (t) return t;
  }
  const State* t = compute(s, k, tail);
  // A transition of the \Z context holds at one position only: not kept.
  if (t && !tail) s->next()[k].store(t, std::memory_order_release);
  return t;
}

template <class Char>
const typename LazyDfa<Char>::State* LazyDfa<Char>::compute(const State* s, int k, bool tail) const {
  bool edge = k == classes_.count();
  unsigned context = s->flags & 0xff;
  if (kind_ == Kind::Reverse) {
    context |= edge ? kAtStart : classes_.sides(k) << kBefore;
  } else {
    context |= edge ? kAtEnd : classes_.sides(k) << kAfter;
  }
  if (tail) context |= kTerminatorTail;
  return kind_ == Kind::Reverse ? computeBackward(s, k, context) : computeForward(s, k, context);
}

// The Pike VM's step over one character: the threads in order, a match
// ending the threads after it (unless the whole subject must match), and
// each thread whose instruction accepts the character going on.
template <class Char>
const typename LazyDfa<Char>::State* LazyDfa<Char>::computeForward(const State* s, int k,
                                                                   unsigned context) const {
  using Op = typename Automaton<Char>::Op;
  const auto& program = automaton_.program();
  const bool edge = k == classes_.count(), search = kind_ == Kind::Search;
  entries_.assign(s->entries, s->entries + s->count);
  if (search && !(s->flags & kMatched)) entries_.push_back(automaton_.start());
  closure_.walk(entries_.data(), entries_.size(), context, &reached_);
  bool matchHere = false;
  std::vector<int>& out = marks_;
  out.clear();
  for (const Reached& r : reached_) {
    const auto& in = program[static_cast<size_t>(r.pc)];
    if (in.op == Op::Match) {
      if (kind_ == Kind::Whole && !edge) continue;
      matchHere = true;
      if (kind_ == Kind::Whole) continue;
      break;
    }
    if (!edge && classes_.accepts(in, k) && std::find(out.begin(), out.end(), in.next) == out.end())
      out.push_back(in.next);
  }
  if (edge) return matchHere ? endMatch_ : endNoMatch_;
  if (kind_ == Kind::Whole) std::sort(out.begin(), out.end());
  unsigned flags = classes_.sides(k) << kBefore;
  if (matchHere) flags |= kMatchBefore;
  if (search && (matchHere || (s->flags & kMatched))) flags |= kMatched;
  // A search not yet matched starts a thread at every position: never stops.
  if (out.empty() && !(search && !(flags & kMatched))) return matchHere ? endMatch_ : dead_;
  return intern(out, flags);
}

// The way back over one character: every instruction that leads without
// consuming to the state's entries (its anchors holding here), then the
// consuming ones among their predecessors that accept the character.
template <class Char>
const typename LazyDfa<Char>::State* LazyDfa<Char>::computeBackward(const State* s, int k,
                                                                    unsigned context) const {
  using Op = typename Automaton<Char>::Op;
  const auto& program = automaton_.program();
  std::vector<int>& reached = entries_;
  reached.assign(s->entries, s->entries + s->count);
  std::vector<char>& seen = seen_;
  seen.assign(program.size(), 0);
  for (int pc : reached) seen[static_cast<size_t>(pc)] = 1;
  for (size_t i = 0; i < reached.size(); ++i) {
    for (int z : before_[static_cast<size_t>(reached[i])]) {
      const auto& in = program[static_cast<size_t>(z)];
      if (seen[static_cast<size_t>(z)] || (in.op == Op::Assert && !anchorHolds(in.node, context))) continue;
      seen[static_cast<size_t>(z)] = 1;
      reached.push_back(z);
    }
  }
  bool matchHere = seen[static_cast<size_t>(automaton_.entry())] != 0;
  if (k == classes_.count()) return matchHere ? endMatch_ : endNoMatch_;
  std::vector<int>& out = marks_;
  out.clear();
  for (int pc : reached) {
    for (int x : consumedBefore_[static_cast<size_t>(pc)]) {
      if (classes_.accepts(program[static_cast<size_t>(x)], k)) out.push_back(x);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  unsigned flags = (classes_.sides(k) << kAfter) | (matchHere ? kMatchBefore : 0u);
  if (out.empty()) return matchHere ? endMatch_ : dead_;
  return intern(out, flags);
}

template <class Char>
const typename LazyDfa<Char>::State* LazyDfa<Char>::intern(std::vector<int>& entries, unsigned flags) const {
  entries.push_back(static_cast<int>(flags));
  auto it = states_.find(entries);
  if (it != states_.end()) {
    entries.pop_back();
    return it->second;
  }
  size_t transitions = static_cast<size_t>(classes_.count()) + 1;
  size_t count = entries.size() - 1;
  size_t bytes = sizeof(State) + transitions * sizeof(std::atomic<const State*>) + count * sizeof(int);
  size_t cost = bytes + entries.size() * sizeof(int) + 64;
  if (bytes_ + cost > kMaxBytes) {
    entries.pop_back();
    return nullptr;
  }
  bytes_ += cost;
  bytes = (bytes + 7) / 8 * 8;
  if (blocks_.empty() || blockUsed_ + bytes > kBlockBytes) {
    blocks_.emplace_back(new unsigned char[std::max(kBlockBytes, bytes)]);
    blockUsed_ = 0;
  }
  unsigned char* at = blocks_.back().get() + blockUsed_;
  blockUsed_ += bytes;
  auto* state = new (at) State{flags, static_cast<int>(count), nullptr};
  std::atomic<const State*>* next = state->next();
  for (size_t i = 0; i < transitions; ++i) new (&next[i]) std::atomic<const State*>(nullptr);
  int* kept = reinterpret_cast<int*>(next + transitions);
  std::copy(entries.begin(), entries.end() - 1, kept);
  state->entries = kept;
  states_.emplace(entries, state);
  entries.pop_back();
  return state;
}

template <class Char>
int LazyDfa<Char>::forward(const Char* text, int length, int from) const {
  unsigned side = from == 0 ? kAtStart : classes_.sides(classes_.of(text[from - 1])) << kBefore;
  const State* s = startState(side);
  if (!s) return kGaveUp;
  const int tail = tailFrom(text, length);
  int lastMatch = -1;
  for (int p = from; p < length; ++p) {
    int k = classes_.of(text[p]);
    const State* t = s->next()[k].load(std::memory_order_acquire);
    if (!t || p >= tail) {
      t = next(s, k, p >= tail);
      if (!t) return kGaveUp;
    }
    if (t->flags & (kMatchBefore | kStop)) {
      if (t->flags & kMatchBefore) lastMatch = p;
      if (t->flags & kStop) return kind_ == Kind::Whole ? 0 : lastMatch;
    }
    s = t;
  }
  const State* t = next(s, classes_.count(), false);
  if (!t) return kGaveUp;
  if (kind_ == Kind::Whole) return (t->flags & kMatchBefore) ? 1 : 0;
  return (t->flags & kMatchBefore) ? length : lastMatch;
}

// The transition over text[p - 1] judges position p, so the scan takes the
// characters down to text[low - 1] (or the start column at 0) and keeps
// the lowest position that was a start.
template <class Char>
int LazyDfa<Char>::backward(const Char* text, int length, int from, int low) const {
  unsigned side = from >= length ? kAtEnd : classes_.sides(classes_.of(text[from])) << kAfter;
  const State* s = startState(side);
  if (!s) return kGaveUp;
  const int tail = tailFrom(text, length);
  int lastStart = -1;
  for (int p = from;; --p) {
    bool tailHere = p >= tail && p < length;
    const State* t =
        p > 0 ? next(s, classes_.of(text[p - 1]), tailHere) : next(s, classes_.count(), tailHere);
    if (!t) return kGaveUp;
    if (t->flags & kMatchBefore) lastStart = p;
    if ((t->flags & kStop) || p <= low) return lastStart;
    s = t;
  }
}

template class LazyDfa<char>;
template class LazyDfa<wchar_t>;

}  // namespace rx
