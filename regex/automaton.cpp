// Building the automaton's program from a compiled graph, and running it.
#include "regex/automaton.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>

namespace rx {

namespace {

// Bounds that keep the program and each matcher's thread lists small
// whatever the pattern: beyond them the backtracker answers alone.
constexpr size_t kMaxProgram = 20000;
constexpr size_t kMaxScratchInts = size_t{1} << 20;

// A character, a class, or non-empty quoted text.
template <class Char>
bool isConsumingAtom(const Node<Char>* n) {
  if (n->kind == NodeKind::Quote || n->kind == NodeKind::CIQuote)
    return !static_cast<const QuoteNode<Char>*>(n)->str.empty();
  return isOneCharacterAtom(n);
}

// The instructions one atom's copy takes: one per character.
template <class Char>
size_t atomSize(const Node<Char>* n) {
  if (n->kind == NodeKind::Quote || n->kind == NodeKind::CIQuote)
    return static_cast<const QuoteNode<Char>*>(n)->str.size();
  return 1;
}

// How many instructions a quantifier unrolls into; more than kMaxProgram
// stands for "too many".
template <class Char>
size_t unrolledSize(const QuantifierNode<Char>* q) {
  size_t copies = static_cast<size_t>(q->min);
  if (q->max == kUnbounded) {
    copies += 1;
  } else if (q->max > q->min) {
    copies += static_cast<size_t>(q->max - q->min);
  }
  if (copies > kMaxProgram) return kMaxProgram + 1;
  return copies * (atomSize(q->inner) + 1);
}

template <class Char>
bool acceptedNode(const Node<Char>* n, size_t* size) {
  *size += 1;
  switch (n->kind) {
    case NodeKind::Start:
    case NodeKind::End:
    case NodeKind::Accept:
    case NodeKind::SubStart:
    case NodeKind::Or:
    case NodeKind::Char:
    case NodeKind::CIChar:
    case NodeKind::Class:
    case NodeKind::CIClass:
    case NodeKind::StartOfLine:
    case NodeKind::EndOfLine:
    case NodeKind::StartOfInput:
    case NodeKind::EndOfInput:
    case NodeKind::WordBoundary:
    case NodeKind::GroupHead:
    case NodeKind::GroupTail:
    case NodeKind::GroupLoopPrologue:
      return true;
    case NodeKind::Quote:
    case NodeKind::CIQuote:
      *size += static_cast<const QuoteNode<Char>*>(n)->str.size();
      return true;
    case NodeKind::LookBehind: {
      auto* b = static_cast<const LookBehindNode<Char>*>(n);
      return b->pos && b->str.empty();
    }
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier: {
      auto* q = static_cast<const QuantifierNode<Char>*>(n);
      *size += unrolledSize(q);
      return isConsumingAtom(q->inner);
    }
    case NodeKind::GroupLoop: {
      auto* loop = static_cast<const GroupLoopNode<Char>*>(n);
      *size += 3;
      return loop->type != kPossessive && loop->min <= 1 && (loop->max <= 1 || loop->max == kUnbounded);
    }
    case NodeKind::PossessiveQuantifier:
    case NodeKind::LookAhead:
    case NodeKind::Reference:
    case NodeKind::EndOfMatch:
      return false;
  }
  return false;
}

template <class Char>
bool anchorHolds(const Node<Char>* n, const MatchState<Char>& st, int p) {
  NodeKind k = n->kind;
  if (k == NodeKind::StartOfLine) return static_cast<const StartOfLineNode<Char>*>(n)->holds(st, p);
  if (k == NodeKind::EndOfLine) return static_cast<const EndOfLineNode<Char>*>(n)->holds(st, p);
  if (k == NodeKind::StartOfInput) return static_cast<const StartOfInputNode<Char>*>(n)->holds(st, p);
  if (k == NodeKind::EndOfInput) return static_cast<const EndOfInputNode<Char>*>(n)->holds(st, p);
  return static_cast<const WordBoundaryNode<Char>*>(n)->holds(st, p);
}

}  // namespace

// Emits the program point by point. A point is a node together with the
// loops whose current iteration has consumed nothing yet ("fresh" loops, a
// bit each) and, for quantifiers and loops, a stage: the iterations a
// quantifier has made, or whether a loop is entered or returned to from its
// group's tail. What a thread can still do depends on exactly these, so two
// threads at one point and position have the same future, which is what
// lets the run keep only the first of them. Each point is emitted once; its
// links to other points are fixed up when every point has its instruction.
template <class Char>
class AutomatonBuilder {
 public:
  using N = Node<Char>;
  using A = Automaton<Char>;
  using Inst = typename A::Inst;
  using Op = typename A::Op;

  explicit AutomatonBuilder(const Graph<Char>& graph) : graph_(graph) {
    int loops = 0;
    for (const N* n : graph.nodes()) {
      if (n->kind == NodeKind::GroupLoop) loopBit_[n] = uint64_t{1} << loops++;
    }
  }

  std::unique_ptr<A> build() {
    auto automaton = std::make_unique<A>();
    program_ = &automaton->program_;
    int start = pointAt(Point{graph_.head, 0, 0});
    while (!pending_.empty()) {
      Point point = pending_.back();
      pending_.pop_back();
      emit(point);
      if (program_->size() > kMaxProgram) return nullptr;
    }
    for (const Fixup& f : fixups_) {
      Inst& in = at(f.inst);
      (f.alt ? in.alt : in.next) = index_.at(f.target);
    }
    for (const Fixup& f : fixups_) {
      Inst& in = at(f.inst);
      (f.alt ? in.alt : in.next) = skipJumps(f.alt ? in.alt : in.next);
    }
    for (const auto& point : index_) {
      if (point.first.fresh == 0 && point.first.stage == kPlain && point.first.node->kind == NodeKind::Char)
        automaton->plainPcs_.emplace(point.first.node, point.second);
    }
    automaton->start_ = skipJumps(start);
    automaton->entry_ = start;
    automaton->head_ = static_cast<const StartNode<Char>*>(graph_.head);
    automaton->slots_ = 2 * graph_.groupCount;
    size_t scratch = program_->size() * static_cast<size_t>(automaton->slots_ + 2);
    if (scratch > kMaxScratchInts) return nullptr;
    return automaton;
  }

 private:
  enum Stage { kPlain = 0, kLoopEntry = 0, kLoopReturn = 1 };

  struct Point {
    const N* node;
    uint64_t fresh;  // the loops whose iteration has consumed nothing yet
    int stage;       // quantifier: iterations made; loop: entry or return
    bool operator==(const Point& o) const { return node == o.node && fresh == o.fresh && stage == o.stage; }
  };
  struct PointHash {
    size_t operator()(const Point& p) const {
      return std::hash<const void*>()(p.node) ^ (std::hash<uint64_t>()(p.fresh) * 31) ^
             (static_cast<size_t>(p.stage) * 1000003u);
    }
  };
  struct Fixup {
    int inst;
    bool alt;
    Point target;
  };

  Inst& at(int i) { return (*program_)[static_cast<size_t>(i)]; }
  int add(const Inst& in) {
    program_->push_back(in);
    return static_cast<int>(program_->size()) - 1;
  }
  // The instruction of a point, reserved now and emitted from the worklist.
  int pointAt(const Point& p) {
    auto it = index_.find(p);
    if (it != index_.end()) return it->second;
    int i = add(Inst());
    index_.emplace(p, i);
    pending_.push_back(p);
    return i;
  }
  void link(int inst, bool alt, const Point& target) {
    pointAt(target);
    fixups_.push_back(Fixup{inst, alt, target});
  }
  // Where a chain of jumps from `pc` ends, so that a run never walks them.
  int skipJumps(int pc) {
    for (size_t hops = 0; pc >= 0 && at(pc).op == Op::Jump && hops < program_->size(); ++hops)
      pc = at(pc).next;
    return pc;
  }
  // The point after node n, with the loops still fresh.
  Point after(const N* n, uint64_t fresh) const {
    const N* next = n->next;
    int stage =
        next && next->kind == NodeKind::GroupLoop && n->kind == NodeKind::GroupTail ? kLoopReturn : kPlain;
    return Point{next, fresh, stage};
  }

  void emit(const Point& p);
  void emitLoop(const Point& p);
  void emitQuantifier(const Point& p);
  // The tests of one atom from instruction `first` on; the last leads to `then`.
  void emitAtom(int first, const N* atom, const Point& then);

  const Graph<Char>& graph_;
  std::vector<Inst>* program_ = nullptr;
  std::unordered_map<const N*, uint64_t> loopBit_;
  std::unordered_map<Point, int, PointHash> index_;
  std::vector<Point> pending_;
  std::vector<Fixup> fixups_;
};

template <class Char>
void AutomatonBuilder<Char>::emitAtom(int first, const N* atom, const Point& then) {
  using T = CharTraits<Char>;
  Inst in;
  if (atom->kind == NodeKind::Class || atom->kind == NodeKind::CIClass) {
    in.op = Op::Class;
    in.node = atom;
    at(first) = in;
    link(first, false, then);
    return;
  }
  if (atom->kind == NodeKind::Char || atom->kind == NodeKind::CIChar) {
    in.op = atom->kind == NodeKind::CIChar ? Op::CIChar : Op::Character;
    in.ch = static_cast<const CharNode<Char>*>(atom)->ch;
    at(first) = in;
    link(first, false, then);
    return;
  }
  const auto& str = static_cast<const QuoteNode<Char>*>(atom)->str;
  bool folded = atom->kind == NodeKind::CIQuote;
  int here = first;
  for (size_t i = 0; i < str.size(); ++i) {
    in.op = folded ? Op::CIChar : Op::Character;
    in.ch = folded ? T::fold(str[i]) : str[i];
    at(here) = in;
    if (i + 1 == str.size()) {
      link(here, false, then);
    } else {
      int following = add(Inst());
      at(here).next = following;
      here = following;
    }
  }
}

template <class Char>
void AutomatonBuilder<Char>::emit(const Point& p) {
  const N* n = p.node;
  int self = index_.at(p);
  Inst in;
  switch (n->kind) {
    case NodeKind::End:
      in.op = Op::Match;
      at(self) = in;
      return;
    case NodeKind::Char:
    case NodeKind::CIChar:
    case NodeKind::Class:
    case NodeKind::CIClass:
    case NodeKind::Quote:
    case NodeKind::CIQuote:
      if (!isConsumingAtom(n)) break;  // an empty quote: a jump
      // Consuming a character makes every loop's iteration non-empty.
      emitAtom(self, n, after(n, 0));
      return;
    case NodeKind::Or: {
      auto* o = static_cast<const OrNode<Char>*>(n);
      in.op = Op::Split;
      at(self) = in;
      link(self, false, Point{o->one, p.fresh, kPlain});
      link(self, true, Point{o->two, p.fresh, kPlain});
      return;
    }
    case NodeKind::GroupHead:
    case NodeKind::GroupTail: {
      int g = n->kind == NodeKind::GroupHead ? static_cast<const GroupHeadNode<Char>*>(n)->gi
                                             : static_cast<const GroupTailNode<Char>*>(n)->gi;
      if (g > 0) {
        in.op = Op::Save;
        in.slot = 2 * g + (n->kind == NodeKind::GroupTail ? 1 : 0);
      }
      break;
    }
    case NodeKind::StartOfLine:
    case NodeKind::EndOfLine:
    case NodeKind::StartOfInput:
    case NodeKind::EndOfInput:
    case NodeKind::WordBoundary:
      in.op = Op::Assert;
      in.node = n;
      break;
    case NodeKind::GroupLoop:
      emitLoop(p);
      return;
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier:
      emitQuantifier(p);
      return;
    case NodeKind::Start:
    case NodeKind::Accept:
    case NodeKind::SubStart:
    case NodeKind::GroupLoopPrologue:
    case NodeKind::LookBehind:  // only the empty one, which always holds
    // Never in an accepted graph, the only kind build() is given:
    case NodeKind::PossessiveQuantifier:
    case NodeKind::LookAhead:
    case NodeKind::Reference:
    case NodeKind::EndOfMatch:
      break;
  }
  at(self) = in;
  link(self, false, after(n, p.fresh));
}

// Entry: an iteration when the minimum asks for one, none when the maximum
// is 0, else the choice. Return from the tail: an iteration that consumed
// nothing ends the loop; so does a maximum of 1; else the choice again. A
// new iteration makes the loop fresh.
template <class Char>
void AutomatonBuilder<Char>::emitLoop(const Point& p) {
  auto* loop = static_cast<const GroupLoopNode<Char>*>(p.node);
  uint64_t bit = loopBit_.at(loop);
  int self = index_.at(p);
  Point iterate{loop->inner, p.fresh | bit, kPlain};
  Point out{loop->next, p.fresh & ~bit, kPlain};
  Inst in;
  bool choose = false;
  if (p.stage == kLoopEntry) {
    if (loop->min > 0) {
      at(self) = in;
      link(self, false, iterate);
      return;
    }
    choose = loop->max != 0;
  } else {
    choose = (p.fresh & bit) == 0 && loop->max == kUnbounded;
  }
  if (!choose) {
    at(self) = in;
    link(self, false, out);
    return;
  }
  in.op = Op::Split;
  at(self) = in;
  bool greedy = loop->type == kGreedy;
  link(self, !greedy, iterate);
  link(self, greedy, out);
}

// Stage k is the number of iterations made (capped at the minimum when the
// maximum is unbounded): the minimum's copies in a row, then a choice per
// further iteration, preferring the copy when greedy and the way out when
// lazy. Every stage after the first follows a consumed character.
template <class Char>
void AutomatonBuilder<Char>::emitQuantifier(const Point& p) {
  auto* q = static_cast<const QuantifierNode<Char>*>(p.node);
  int self = index_.at(p);
  int k = p.stage;
  int nextStage = q->max == kUnbounded ? std::min(k + 1, q->min) : k + 1;
  Point more{q, 0, nextStage};
  Point out = after(q, p.fresh);
  if (k < q->min) {
    emitAtom(self, q->inner, more);
    return;
  }
  Inst in;
  if (q->max != kUnbounded && k >= q->max) {
    at(self) = in;
    link(self, false, out);
    return;
  }
  in.op = Op::Split;
  at(self) = in;
  int copy = add(Inst());
  emitAtom(copy, q->inner, more);
  bool greedy = q->kind == NodeKind::GreedyQuantifier;
  if (greedy) {
    at(self).next = copy;
    link(self, true, out);
  } else {
    at(self).alt = copy;
    link(self, false, out);
  }
}

template <class Char>
bool Automaton<Char>::accepts(const Graph<Char>& graph) {
  size_t size = 0;
  int loops = 0;
  for (const Node<Char>* n : graph.nodes()) {
    if (!acceptedNode(n, &size) || size > kMaxProgram) return false;
    // A loop's freshness is one bit of a 64-bit set.
    if (n->kind == NodeKind::GroupLoop && ++loops > 64) return false;
  }
  return graph.head != nullptr;
}

template <class Char>
std::unique_ptr<Automaton<Char>> Automaton<Char>::build(const Graph<Char>& graph) {
  if (!graph.automatonFits) return nullptr;
  return AutomatonBuilder<Char>(graph).build();
}

template <class Char>
AutomatonScratch<Char>::AutomatonScratch(const Automaton<Char>& automaton) {
  size_t n = automaton.program_.size(), slots = static_cast<size_t>(automaton.slots_);
  for (List& list : lists_) {
    list.sparse.assign(n, 0);
    list.dense.assign(n, 0);
    list.slots.assign(n * slots, -1);
  }
  current_.assign(slots, -1);
  best_.assign(slots, -1);
  stack_.assign(2 * n + 2, Frame{0, 0, 0});
}

namespace {

// A few ints as a rule: a plain loop beats a call to memmove.
inline void copySlots(const int* from, int* to, int n) {
  for (int i = 0; i < n; ++i) to[i] = from[i];
}

// Follows every way from pc that consumes nothing, in order of preference,
// and adds to the list each thread that stops at a test or the match. A
// program point already in the list was reached first by a preferred thread
// with the same future, so a later arrival is dropped.
// Threads carry the first `slots` slots only; a save beyond them is a jump.
template <class Char, class Inst, class List, class Frame>
void addThreads(const std::vector<Inst>& program, int slots, List& list, std::vector<Frame>& stack,
                std::vector<int>& current, int pc, int p, const MatchState<Char>& st) {
  using Op = typename Automaton<Char>::Op;
  // Every program point is entered at most once and pushes at most one
  // frame, so the stack, sized for that, never grows.
  Frame* frames = stack.data();
  size_t top = 0;
  frames[top++] = Frame{pc, 0, 0};
  while (top > 0) {
    Frame f = frames[--top];
    if (f.pc < 0) {
      current[static_cast<size_t>(f.slot)] = f.value;
      continue;
    }
    for (int at = f.pc; at >= 0 && !list.contains(at);) {
      int index = list.size++;
      list.sparse[static_cast<size_t>(at)] = index;
      list.dense[static_cast<size_t>(index)] = at;
      const Inst& in = program[static_cast<size_t>(at)];
      switch (in.op) {
        case Op::Jump:
          at = in.next;
          break;
        case Op::Split:
          frames[top++] = Frame{in.alt, 0, 0};
          at = in.next;
          break;
        case Op::Save:
          if (in.slot < slots) {
            frames[top++] = Frame{-1, in.slot, current[static_cast<size_t>(in.slot)]};
            current[static_cast<size_t>(in.slot)] = p;
          }
          at = in.next;
          break;
        case Op::Assert:
          at = anchorHolds(in.node, st, p) ? in.next : -1;
          break;
        case Op::Match:
          if (st.wholeMode && p != st.length) {
            at = -1;
            break;
          }
          [[fallthrough]];
        case Op::Character:
        case Op::CIChar:
        case Op::Class:
          copySlots(current.data(), list.slots.data() + static_cast<std::ptrdiff_t>(index) * slots, slots);
          at = -1;
          break;
      }
    }
  }
}

}  // namespace

template <class Char>
int Automaton<Char>::run(MatchState<Char>& st, int from, AutomatonScratch<Char>& s) const {
  return runWith(st, from, s, slots_);
}

template <class Char>
int Automaton<Char>::locate(MatchState<Char>& st, int from, AutomatonScratch<Char>& s) const {
  return runWith(st, from, s, 2);
}

template <class Char>
int Automaton<Char>::runWith(MatchState<Char>& st, int from, AutomatonScratch<Char>& s, int slots) const {
  using T = CharTraits<Char>;
  typename AutomatonScratch<Char>::List* now = &s.lists_[0];
  typename AutomatonScratch<Char>::List* after = &s.lists_[1];
  now->size = 0;
  const int length = st.length;
  int matchEnd = -1;
  for (int p = from;; ++p) {
    if (matchEnd < 0 && (!st.wholeMode || p == from)) {
      if (now->size == 0 && !st.wholeMode) {
        // No thread alive: the next start worth a thread is the next one
        // the pattern's first characters or prefix allow.
        p = head_->firstCandidate(st, p);
        if (p > length) break;
      }
      std::fill(s.current_.begin(), s.current_.begin() + slots, -1);
      s.current_[0] = p;
      addThreads(program_, slots, *now, s.stack_, s.current_, start_, p, st);
    }
    after->size = 0;
    for (int i = 0; i < now->size; ++i) {
      const Inst& in = program_[static_cast<size_t>(now->dense[static_cast<size_t>(i)])];
      const int* threadSlots = now->slots.data() + static_cast<std::ptrdiff_t>(i) * slots;
      if (in.op == Op::Match) {
        // The closure lists a match that ended short too, to visit it once;
        // it is no thread.
        if (st.wholeMode && p != length) continue;
        // The preferred thread matched: the threads after it are dropped.
        matchEnd = p;
        copySlots(threadSlots, s.best_.data(), slots);
        break;
      }
      if (p >= length) continue;
      Char c = st.text[p];
      bool ok = false;
      if (in.op == Op::Character) {
        ok = c == in.ch;
      } else if (in.op == Op::CIChar) {
        ok = T::fold(c) == in.ch;
      } else if (in.op == Op::Class) {
        ok = static_cast<const ClassNode<Char>*>(in.node)->accepts(c);
      }
      if (!ok) continue;
      copySlots(threadSlots, s.current_.data(), slots);
      addThreads(program_, slots, *after, s.stack_, s.current_, in.next, p + 1, st);
    }
    std::swap(now, after);
    if (p >= length || (now->size == 0 && (matchEnd >= 0 || st.wholeMode))) break;
  }
  if (matchEnd < 0) return -1;
  for (size_t g = 0; g < static_cast<size_t>(slots / 2); ++g) {
    st.starts[g] = s.best_[2 * g];
    st.ends[g] = s.best_[2 * g + 1];
  }
  st.ends[0] = matchEnd;
  return matchEnd;
}

template class Automaton<char>;
template class Automaton<wchar_t>;
template class AutomatonScratch<char>;
template class AutomatonScratch<wchar_t>;

}  // namespace rx
