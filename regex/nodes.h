// The node classes of a compiled pattern and their match rules. A node tests
// its condition at a position and on success hands on to `next`; the result
// is the end of the whole match or -1. Nodes are owned by the pattern's node
// registry, never by the nodes that link to them: group loops make cycles.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "regex/char_set.h"
#include "regex/char_traits.h"
#include "regex/match_state.h"

namespace rx {

constexpr int kUnbounded = INT_MAX;

enum class NodeKind {
  Char,
  CIChar,
  Start,
  End,
  GreedyQuantifier,
  LazyQuantifier,
  PossessiveQuantifier,
  Accept,
  Class,
  CIClass,
  SubStart,
  Or,
  Quote,
  CIQuote,
  LookAhead,
  LookBehind,
  StartOfLine,
  EndOfLine,
  Reference,
  StartOfInput,
  EndOfInput,
  WordBoundary,
  EndOfMatch,
  GroupHead,
  GroupTail,
  GroupLoopPrologue,
  GroupLoop,
};

// The design's name of a node class without the "NFA" prefix and the
// "Node"/"UNode" suffix.
const char* kindName(NodeKind kind);

enum LoopType { kGreedy = 0, kLazy = 1, kPossessive = 2 };

template <class Char>
class Node {
 public:
  using State = MatchState<Char>;
  using Traits = CharTraits<Char>;

  explicit Node(NodeKind k) : kind(k) {}
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  virtual ~Node() = default;

  virtual int match(State& st, int p) const = 0;
  // For a one-character atom: how many consecutive characters from p, at
  // most `most`, it matches. -1 for every other node.
  virtual int runLength(const State& st, int p, int most) const {
    (void)st;
    (void)p;
    (void)most;
    return -1;
  }
  virtual bool isGroupHead() const { return false; }
  virtual bool isStartOfInput() const { return false; }

  std::string className() const { return std::string("NFA") + kindName(kind) + Traits::kNodeSuffix; }

  const NodeKind kind;
  Node* next = nullptr;

 protected:
  // Every call from one node into another goes through here, and is one
  // step and one level deeper.
  static int run(const Node* node, State& st, int p) {
    if (st.stopped || !st.charge(1)) return -1;
    if (st.depth >= kMaxMatchDepth) {
      st.stopped = true;
      return -1;
    }
    ++st.depth;
    int r = node->match(st, p);
    --st.depth;
    return r;
  }
  // "Continue at p": an inner chain without a next node ends its match here.
  int proceed(State& st, int p) const { return next ? run(next, st, p) : p; }
};

template <class Char>
class CharNode : public Node<Char> {
 public:
  explicit CharNode(Char c, NodeKind k = NodeKind::Char) : Node<Char>(k), ch(c) {}
  int match(MatchState<Char>& st, int p) const override {
    if (!literal.empty()) return matchLiteral(st, p);
    if (p < st.length && st.text[p] == ch) return this->proceed(st, p + 1);
    return -1;
  }
  int runLength(const MatchState<Char>& st, int p, int most) const override {
    int n = 0;
    while (n < most && p + n < st.length && st.text[p + n] == ch) ++n;
    return n;
  }
  // A chain of character nodes is compared in one go (set after compiling):
  // `literal` holds this character and the ones of the nodes that follow,
  // `afterLiteral` the node after the last of them.
  void setLiteral(const std::basic_string<Char>& text, const Node<Char>* after) {
    literal = text;
    afterLiteral = after;
  }
  const Char ch;
  bool inChain = false;  // follows another character node

 private:
  int matchLiteral(MatchState<Char>& st, int p) const {
    size_t n = literal.size();
    if (n > static_cast<size_t>(st.length - p) || st.text[p] != literal[0] ||
        std::char_traits<Char>::compare(st.text + p + 1, literal.data() + 1, n - 1) != 0) {
      return -1;
    }
    int end = p + static_cast<int>(n);
    return afterLiteral ? this->run(afterLiteral, st, end) : end;
  }

  std::basic_string<Char> literal;
  const Node<Char>* afterLiteral = nullptr;
};

// Holds the lower-cased character and compares the lower-cased subject.
template <class Char>
class CICharNode : public CharNode<Char> {
 public:
  explicit CICharNode(Char c) : CharNode<Char>(CharTraits<Char>::fold(c), NodeKind::CIChar) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p < st.length && CharTraits<Char>::fold(st.text[p]) == this->ch) return this->proceed(st, p + 1);
    return -1;
  }
  int runLength(const MatchState<Char>& st, int p, int most) const override {
    int n = 0;
    while (n < most && p + n < st.length && CharTraits<Char>::fold(st.text[p + n]) == this->ch) ++n;
    return n;
  }
};

template <class Char>
class ClassNode : public Node<Char> {
 public:
  ClassNode(CharSet members, bool inverted, NodeKind k = NodeKind::Class)
      : Node<Char>(k), set(std::move(members)), inv(inverted) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p < st.length && set.contains(CharTraits<Char>::code(st.text[p])) != inv)
      return this->proceed(st, p + 1);
    return -1;
  }
  int runLength(const MatchState<Char>& st, int p, int most) const override {
    if (any) return std::max(0, std::min(most, st.length - p));
    int n = 0;
    while (n < most && p + n < st.length && set.contains(CharTraits<Char>::code(st.text[p + n])) != inv) ++n;
    return n;
  }
  const CharSet set;
  const bool inv;

 private:
  const bool any = inv && set.empty();  // '.' under DOT_ALL
};

// The members are stored lower-cased; the subject character is lower-cased
// before the test.
template <class Char>
class CIClassNode : public ClassNode<Char> {
 public:
  CIClassNode(const CharSet& members, bool inverted)
      : ClassNode<Char>(members.mapped(foldCode), inverted, NodeKind::CIClass) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p >= st.length) return -1;
    uint32_t c = CharTraits<Char>::code(CharTraits<Char>::fold(st.text[p]));
    if (this->set.contains(c) != this->inv) return this->proceed(st, p + 1);
    return -1;
  }
  int runLength(const MatchState<Char>& st, int p, int most) const override {
    int n = 0;
    while (n < most && p + n < st.length && member(st.text[p + n])) ++n;
    return n;
  }

 private:
  bool member(Char c) const {
    return this->set.contains(CharTraits<Char>::code(CharTraits<Char>::fold(c))) != this->inv;
  }
  static uint32_t foldCode(uint32_t c) {
    using T = CharTraits<Char>;
    return T::code(T::fold(T::fromCode(c)));
  }
};

template <class Char>
class QuoteNode : public Node<Char> {
 public:
  explicit QuoteNode(std::basic_string<Char> s, NodeKind k = NodeKind::Quote)
      : Node<Char>(k), str(std::move(s)) {}
  int match(MatchState<Char>& st, int p) const override {
    int n = static_cast<int>(str.size());
    if (n > st.length - p) return -1;
    for (int i = 0; i < n; ++i) {
      if (st.text[p + i] != str[i]) return -1;
    }
    return this->proceed(st, p + n);
  }
  const std::basic_string<Char> str;
};

template <class Char>
class CIQuoteNode : public QuoteNode<Char> {
 public:
  explicit CIQuoteNode(std::basic_string<Char> s) : QuoteNode<Char>(std::move(s), NodeKind::CIQuote) {}
  int match(MatchState<Char>& st, int p) const override {
    using T = CharTraits<Char>;
    int n = static_cast<int>(this->str.size());
    if (n > st.length - p) return -1;
    for (int i = 0; i < n; ++i) {
      if (T::fold(st.text[p + i]) != T::fold(this->str[i])) return -1;
    }
    return this->proceed(st, p + n);
  }
};

template <class Char>
class SubStartNode : public Node<Char> {
 public:
  SubStartNode() : Node<Char>(NodeKind::SubStart) {}
  int match(MatchState<Char>& st, int p) const override { return this->proceed(st, p); }
};

template <class Char>
class AcceptNode : public Node<Char> {
 public:
  AcceptNode() : Node<Char>(NodeKind::Accept) {}
  int match(MatchState<Char>& st, int p) const override { return this->proceed(st, p); }
};

template <class Char>
class OrNode : public Node<Char> {
 public:
  OrNode(Node<Char>* a, Node<Char>* b) : Node<Char>(NodeKind::Or), one(a), two(b) {}
  int match(MatchState<Char>& st, int p) const override {
    int r = this->run(one, st, p);
    return r != -1 ? r : this->run(two, st, p);
  }
  Node<Char>* const one;
  Node<Char>* const two;
};

// A node whose inner sub-graph may set group positions restores them when
// it fails after the inner match succeeded, so that a failing node leaves the
// state as it found it.
template <class Char>
class LookAheadNode : public Node<Char> {
 public:
  LookAheadNode(bool positive, Node<Char>* innerNode, bool writes)
      : Node<Char>(NodeKind::LookAhead), pos(positive), inner(innerNode), writesGroups(writes) {}
  int match(MatchState<Char>& st, int p) const override {
    std::vector<int> saved;
    if (writesGroups) saved = st.snapshot();
    int r = this->run(inner, st, p);
    if (pos ? r == -1 : r != -1) {
      if (r != -1 && writesGroups) st.restore(saved);
      return -1;
    }
    r = this->proceed(st, p);
    if (r == -1 && writesGroups && pos) st.restore(saved);
    return r;
  }
  const bool pos;
  Node<Char>* const inner;
  const bool writesGroups;
};

template <class Char>
class LookBehindNode : public Node<Char> {
 public:
  LookBehindNode(bool positive, std::basic_string<Char> s)
      : Node<Char>(NodeKind::LookBehind), pos(positive), str(std::move(s)) {}
  int match(MatchState<Char>& st, int p) const override {
    int n = static_cast<int>(str.size());
    if (p < n) return pos ? -1 : this->proceed(st, p);
    bool same = str.compare(0, str.size(), st.text + (p - n), str.size()) == 0;
    return same == pos ? this->proceed(st, p) : -1;
  }
  const bool pos;
  const std::basic_string<Char> str;
};

template <class Char>
bool isLineTerminator(Char c) {
  return c == static_cast<Char>('\n') || c == static_cast<Char>('\r');
}

template <class Char>
class StartOfLineNode : public Node<Char> {
 public:
  StartOfLineNode() : Node<Char>(NodeKind::StartOfLine) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p == 0 || (p <= st.length && isLineTerminator(st.text[p - 1]))) return this->proceed(st, p);
    return -1;
  }
};

template <class Char>
class EndOfLineNode : public Node<Char> {
 public:
  EndOfLineNode() : Node<Char>(NodeKind::EndOfLine) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p >= st.length || isLineTerminator(st.text[p])) return this->proceed(st, p);
    return -1;
  }
};

template <class Char>
class StartOfInputNode : public Node<Char> {
 public:
  StartOfInputNode() : Node<Char>(NodeKind::StartOfInput) {}
  int match(MatchState<Char>& st, int p) const override { return p == 0 ? this->proceed(st, p) : -1; }
  bool isStartOfInput() const override { return true; }
};

template <class Char>
class EndOfInputNode : public Node<Char> {
 public:
  explicit EndOfInputNode(bool allowTerminator) : Node<Char>(NodeKind::EndOfInput), term(allowTerminator) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p == st.length || (term && onlyTerminatorLeft(st, p))) return this->proceed(st, p);
    return -1;
  }
  const bool term;

 private:
  static bool onlyTerminatorLeft(const MatchState<Char>& st, int p) {
    int rest = st.length - p;
    const Char cr = static_cast<Char>('\r'), lf = static_cast<Char>('\n');
    if (rest == 1) return st.text[p] == cr || st.text[p] == lf;
    return rest == 2 && st.text[p] == cr && st.text[p + 1] == lf;
  }
};

// Word characters here are the ASCII letters only.
template <class Char>
class WordBoundaryNode : public Node<Char> {
 public:
  explicit WordBoundaryNode(bool positive) : Node<Char>(NodeKind::WordBoundary), pos(positive) {}
  int match(MatchState<Char>& st, int p) const override {
    if (p >= st.length) return this->proceed(st, p);
    bool before = p > 0 && isLetter(st.text[p - 1]);
    bool boundary = before != isLetter(st.text[p]);
    return boundary == pos ? this->proceed(st, p) : -1;
  }
  const bool pos;

 private:
  static bool isLetter(Char c) {
    uint32_t v = CharTraits<Char>::code(c);
    return (v >= 'a' && v <= 'z') || (v >= 'A' && v <= 'Z');
  }
};

template <class Char>
class EndOfMatchNode : public Node<Char> {
 public:
  EndOfMatchNode() : Node<Char>(NodeKind::EndOfMatch) {}
  int match(MatchState<Char>& st, int p) const override {
    return p == st.previousEnd ? this->proceed(st, p) : -1;
  }
};

// A reference to a group without a usable match matches the empty string.
template <class Char>
class ReferenceNode : public Node<Char> {
 public:
  explicit ReferenceNode(int group) : Node<Char>(NodeKind::Reference), gi(group) {}
  int match(MatchState<Char>& st, int p) const override {
    if (gi <= 0 || gi >= st.groupCount) return this->proceed(st, p);
    int s = st.starts[gi], e = st.ends[gi];
    if (s < 0 || e <= s || e > st.length) return this->proceed(st, p);
    int n = e - s;
    if (n > st.length - p) return -1;
    for (int i = 0; i < n; ++i) {
      if (st.text[p + i] != st.text[s + i]) return -1;
    }
    return this->proceed(st, p + n);
  }
  const int gi;
};

template <class Char>
class GroupHeadNode : public Node<Char> {
 public:
  explicit GroupHeadNode(int group) : Node<Char>(NodeKind::GroupHead), gi(group) {}
  int match(MatchState<Char>& st, int p) const override {
    int saved = st.starts[gi];
    st.starts[gi] = p;
    int r = this->proceed(st, p);
    if (r < 0) st.starts[gi] = saved;
    return r;
  }
  bool isGroupHead() const override { return true; }
  const int gi;
};

template <class Char>
class GroupTailNode : public Node<Char> {
 public:
  explicit GroupTailNode(int group) : Node<Char>(NodeKind::GroupTail), gi(group) {}
  int match(MatchState<Char>& st, int p) const override {
    int saved = st.ends[gi];
    st.ends[gi] = p;
    int r = this->proceed(st, p);
    if (r < 0) st.ends[gi] = saved;
    return r;
  }
  const int gi;
};

template <class Char>
class GroupLoopPrologueNode : public Node<Char> {
 public:
  explicit GroupLoopPrologueNode(int group) : Node<Char>(NodeKind::GroupLoopPrologue), gi(group) {}
  int match(MatchState<Char>& st, int p) const override {
    int count = st.loopCounts[gi], mark = st.possessiveMarks[gi], start = st.iterationStarts[gi];
    st.loopCounts[gi] = 0;
    st.possessiveMarks[gi] = 0;
    st.iterationStarts[gi] = -1;
    int r = this->proceed(st, p);
    if (r < 0) {
      st.loopCounts[gi] = count;
      st.possessiveMarks[gi] = mark;
      st.iterationStarts[gi] = start;
    }
    return r;
  }
  const int gi;
};

// Reached from the prologue and again from the group's tail after every
// iteration, so a loop backtracks into earlier iterations.
template <class Char>
class GroupLoopNode : public Node<Char> {
 public:
  GroupLoopNode(Node<Char>* innerNode, int minimum, int maximum, int group, LoopType loopType)
      : Node<Char>(NodeKind::GroupLoop),
        inner(innerNode),
        min(minimum),
        max(maximum),
        gi(group),
        type(loopType) {}

  int match(MatchState<Char>& st, int p) const override {
    if (st.iterationStarts[gi] >= p) return this->proceed(st, p);
    if (st.loopCounts[gi] < min) return iterate(st, p);
    if (st.loopCounts[gi] >= max) return this->proceed(st, p);
    if (type == kGreedy) {
      int r = iterate(st, p);
      return r >= 0 ? r : this->proceed(st, p);
    }
    if (type == kLazy) {
      int r = this->proceed(st, p);
      return r >= 0 ? r : iterate(st, p);
    }
    st.possessiveMarks[gi] = st.loopCounts[gi];
    int r = iterate(st, p);
    if (r >= 0) return r;
    return st.loopCounts[gi] == st.possessiveMarks[gi] ? this->proceed(st, p) : -1;
  }

  Node<Char>* const inner;
  const int min;
  const int max;
  const int gi;
  const LoopType type;

 private:
  // One more iteration from p; undone again when it fails.
  int iterate(MatchState<Char>& st, int p) const {
    int saved = st.iterationStarts[gi];
    st.iterationStarts[gi] = p;
    ++st.loopCounts[gi];
    int r = this->run(inner, st, p);
    if (r < 0) {
      --st.loopCounts[gi];
      st.iterationStarts[gi] = saved;
    }
    return r;
  }
};

// A quantifier over one atom. The atom's chain ends in an accept node
// without `next`, so an inner match returns the end of one iteration.
template <class Char>
class QuantifierNode : public Node<Char> {
 public:
  QuantifierNode(NodeKind k, Node<Char>* innerNode, int minimum, int maximum, bool writes)
      : Node<Char>(k), inner(innerNode), min(minimum < 0 ? 0 : minimum), max(maximum), writesGroups(writes) {}

  Node<Char>* const inner;
  const int min;
  const int max;
  const bool writesGroups;  // an atomic group's content may set groups
  // The one-character test the rest of the pattern begins with, if any (set
  // after compiling): positions it rejects need not be tried.
  const Node<Char>* follower = nullptr;

 protected:
  bool mayContinueAt(const MatchState<Char>& st, int p) const {
    return !follower || follower->runLength(st, p, 1) == 1;
  }

  // The last of the positions low, low + width, ... up to pos at which the
  // follower accepts; -1 if none.
  int lastCandidate(const MatchState<Char>& st, int low, int pos, int width) const {
    if (!follower) return pos;
    if (width == 1 && follower->kind == NodeKind::Char) {
      Char c = static_cast<const CharNode<Char>*>(follower)->ch;
      for (pos = std::min(pos, st.length - 1); pos >= low; --pos) {
        if (st.text[pos] == c) return pos;
      }
      return -1;
    }
    for (; pos >= low; pos -= width) {
      if (follower->runLength(st, pos, 1) == 1) return pos;
    }
    return -1;
  }

  // Up to `most` iterations of the atom from p, in a loop rather than one
  // call level per iteration. Returns how many consumed something; they all
  // have the same width, stored in *width. *empty tells whether the loop
  // stopped at an iteration that consumed nothing (rather than one that
  // failed or the count).
  int repeat(MatchState<Char>& st, int p, int most, int* width, bool* empty) const {
    *width = 1;
    *empty = false;
    if (most <= 0) return 0;
    int n = inner->runLength(st, p, most);
    if (n >= 0) {
      st.charge(n);
      return n;
    }
    int count = 0;
    while (count < most) {
      int e = this->run(inner, st, p);
      *empty = e == p;
      // An atom's iterations within one loop all have one width.
      if (e <= p || (count > 0 && e - p != *width)) break;
      *width = e - p;
      p = e;
      ++count;
    }
    return count;
  }

  // The iterations every kind must make: the end position, or -1 when they
  // cannot be made. An iteration that consumes nothing counts as meeting
  // the minimum; *done is then set, since no further iteration can consume.
  int minimumPart(MatchState<Char>& st, int p, bool* done) const {
    int width = 1;
    bool empty = false;
    int n = repeat(st, p, min, &width, &empty);
    *done = empty;
    if (n < min && !empty) return -1;
    return p + n * width;
  }

  int rest() const { return max > min ? max - min : 0; }
};

// Longest first, then giving back one iteration at a time by walking back
// over the iteration ends.
template <class Char>
class GreedyQuantifierNode : public QuantifierNode<Char> {
 public:
  GreedyQuantifierNode(Node<Char>* innerNode, int minimum, int maximum)
      : QuantifierNode<Char>(NodeKind::GreedyQuantifier, innerNode, minimum, maximum, false) {}
  int match(MatchState<Char>& st, int p) const override {
    bool done = false;
    p = this->minimumPart(st, p, &done);
    if (p < 0) return -1;
    if (done) return this->proceed(st, p);
    int width = 1;
    bool empty = false;
    int n = this->repeat(st, p, this->rest(), &width, &empty);
    for (int pos = p + n * width; pos >= p; pos -= width) {
      pos = this->lastCandidate(st, p, pos, width);
      if (pos < 0) break;
      int r = this->proceed(st, pos);
      if (r != -1 || st.stopped) return r;
    }
    return -1;
  }
};

template <class Char>
class LazyQuantifierNode : public QuantifierNode<Char> {
 public:
  LazyQuantifierNode(Node<Char>* innerNode, int minimum, int maximum)
      : QuantifierNode<Char>(NodeKind::LazyQuantifier, innerNode, minimum, maximum, false) {}
  int match(MatchState<Char>& st, int p) const override {
    bool done = false;
    p = this->minimumPart(st, p, &done);
    if (p < 0) return -1;
    if (done) return this->proceed(st, p);
    for (int count = this->min; count < this->max; ++count) {
      int r = this->mayContinueAt(st, p) ? this->proceed(st, p) : -1;
      if (r != -1 || st.stopped) return r;
      int width = 1;
      bool empty = false;
      if (this->repeat(st, p, 1, &width, &empty) == 0) return -1;
      p += width;
    }
    return this->proceed(st, p);
  }
};

// Also stands for an atomic group (minimum and maximum 1 over the group).
template <class Char>
class PossessiveQuantifierNode : public QuantifierNode<Char> {
 public:
  PossessiveQuantifierNode(Node<Char>* innerNode, int minimum, int maximum, bool writes)
      : QuantifierNode<Char>(NodeKind::PossessiveQuantifier, innerNode, minimum, maximum, writes) {}
  int match(MatchState<Char>& st, int p) const override {
    std::vector<int> saved;
    if (this->writesGroups) saved = st.snapshot();
    int r = matchOnce(st, p);
    if (r == -1 && this->writesGroups) st.restore(saved);
    return r;
  }

 private:
  int matchOnce(MatchState<Char>& st, int p) const {
    bool done = false;
    p = this->minimumPart(st, p, &done);
    if (p < 0) return -1;
    if (!done) {
      int width = 1;
      bool empty = false;
      p += this->repeat(st, p, this->rest(), &width, &empty) * width;
    }
    return this->proceed(st, p);
  }
};

// Head of every pattern: in search mode it tries every start position,
// the end of the subject included.
template <class Char>
class StartNode : public Node<Char> {
 public:
  StartNode() : Node<Char>(NodeKind::Start) {}
  int match(MatchState<Char>& st, int p) const override {
    st.starts[0] = p;
    if (st.wholeMode) {
      if (p == 0 && prefixAt(st, 0)) return this->proceed(st, 0);
      if (p != 0) st.starts[0] = -1;
      return -1;
    }
    int r = -1;
    for (int q = p;; ++q) {
      q = nextCandidate(st, q);
      if (q > st.length) break;
      // Every start after the first begins from cleared groups.
      if (q != p) st.clearGroups();
      st.starts[0] = q;
      r = this->proceed(st, q);
      if (r != -1 || st.stopped || q >= st.length) break;
    }
    if (r < 0) {
      if (p < st.length) st.clearGroups();
      st.starts[0] = -1;
    }
    return r;
  }

  // Every match begins with one of these characters (set after compiling),
  // so a search skips the start positions that hold none of them.
  void setFirstChars(const CharSet& chars) {
    firstChars = chars;
    hasFirstChars = true;
  }
  // Every match begins with this text (set after compiling): a start
  // position without it fails at once.
  void setPrefix(const std::basic_string<Char>& text) { prefix = text; }

 private:
  bool prefixAt(const MatchState<Char>& st, int q) const {
    size_t n = prefix.size();
    if (n == 0) return true;
    // Most rejected starts differ at the first character: no call for them.
    return n <= static_cast<size_t>(st.length - q) && st.text[q] == prefix[0] &&
           std::char_traits<Char>::compare(st.text + q + 1, prefix.data() + 1, n - 1) == 0;
  }

  // The first start position from q worth trying; past the end if none.
  int nextCandidate(const MatchState<Char>& st, int q) const {
    if (!prefix.empty()) {
      for (; q < st.length; ++q) {
        const Char* hit =
            std::char_traits<Char>::find(st.text + q, static_cast<size_t>(st.length - q), prefix[0]);
        if (!hit) break;
        q = static_cast<int>(hit - st.text);
        if (prefixAt(st, q)) return q;
      }
      return st.length + 1;
    }
    if (!hasFirstChars) return q;
    while (q < st.length && !firstChars.contains(CharTraits<Char>::code(st.text[q]))) ++q;
    return q < st.length ? q : st.length + 1;
  }

  std::basic_string<Char> prefix;
  CharSet firstChars;
  bool hasFirstChars = false;
};

template <class Char>
class EndNode : public Node<Char> {
 public:
  EndNode() : Node<Char>(NodeKind::End) {}
  int match(MatchState<Char>& st, int p) const override {
    st.ends[0] = p;
    if (!st.wholeMode || p == st.length) return p;
    st.ends[0] = -1;
    return -1;
  }
};

// A compiled pattern's graph: the node registry that owns every node, the
// head, and the group counts the matcher sizes its arrays from. Nodes live
// in blocks the registry owns and are destroyed with it, never by following
// links (the graph has cycles).
template <class Char>
class Graph {
 public:
  Graph() = default;
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;
  ~Graph() {
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) (*it)->~Node();
  }

  template <class T, class... Args>
  T* make(Args&&... args) {
    T* node = new (allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    nodes_.push_back(node);
    return node;
  }
  const std::vector<Node<Char>*>& nodes() const { return nodes_; }
  void reserve(size_t count) { nodes_.reserve(count); }

  Node<Char>* head = nullptr;
  int groupCount = 0;
  int nonCapturing = 0;

 private:
  static constexpr size_t kBlockBytes = 2048;

  void* allocate(size_t size, size_t align) {
    size_t at = (used_ + align - 1) / align * align;
    if (blocks_.empty() || at + size > blockSize_) {
      blockSize_ = std::max(kBlockBytes, size);
      // Left uninitialised: every node is constructed in place.
      blocks_.emplace_back(new std::max_align_t[blockSize_ / sizeof(std::max_align_t) + 1]);
      at = 0;
    }
    used_ = at + size;
    return reinterpret_cast<unsigned char*>(blocks_.back().get()) + at;
  }

  std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
  size_t used_ = 0;
  size_t blockSize_ = 0;
  std::vector<Node<Char>*> nodes_;
};

}  // namespace rx

// The design's class names for the narrow and the wide form.
using NFANode = rx::Node<char>;
using NFACharNode = rx::CharNode<char>;
using NFACICharNode = rx::CICharNode<char>;
using NFAStartNode = rx::StartNode<char>;
using NFAEndNode = rx::EndNode<char>;
using NFAQuantifierNode = rx::QuantifierNode<char>;
using NFAGreedyQuantifierNode = rx::GreedyQuantifierNode<char>;
using NFALazyQuantifierNode = rx::LazyQuantifierNode<char>;
using NFAPossessiveQuantifierNode = rx::PossessiveQuantifierNode<char>;
using NFAAcceptNode = rx::AcceptNode<char>;
using NFAClassNode = rx::ClassNode<char>;
using NFACIClassNode = rx::CIClassNode<char>;
using NFASubStartNode = rx::SubStartNode<char>;
using NFAOrNode = rx::OrNode<char>;
using NFAQuoteNode = rx::QuoteNode<char>;
using NFACIQuoteNode = rx::CIQuoteNode<char>;
using NFALookAheadNode = rx::LookAheadNode<char>;
using NFALookBehindNode = rx::LookBehindNode<char>;
using NFAStartOfLineNode = rx::StartOfLineNode<char>;
using NFAEndOfLineNode = rx::EndOfLineNode<char>;
using NFAReferenceNode = rx::ReferenceNode<char>;
using NFAStartOfInputNode = rx::StartOfInputNode<char>;
using NFAEndOfInputNode = rx::EndOfInputNode<char>;
using NFAWordBoundaryNode = rx::WordBoundaryNode<char>;
using NFAEndOfMatchNode = rx::EndOfMatchNode<char>;
using NFAGroupHeadNode = rx::GroupHeadNode<char>;
using NFAGroupTailNode = rx::GroupTailNode<char>;
using NFAGroupLoopPrologueNode = rx::GroupLoopPrologueNode<char>;
using NFAGroupLoopNode = rx::GroupLoopNode<char>;

using NFAUNode = rx::Node<wchar_t>;
using NFACharUNode = rx::CharNode<wchar_t>;
using NFACICharUNode = rx::CICharNode<wchar_t>;
using NFAStartUNode = rx::StartNode<wchar_t>;
using NFAEndUNode = rx::EndNode<wchar_t>;
using NFAQuantifierUNode = rx::QuantifierNode<wchar_t>;
using NFAGreedyQuantifierUNode = rx::GreedyQuantifierNode<wchar_t>;
using NFALazyQuantifierUNode = rx::LazyQuantifierNode<wchar_t>;
using NFAPossessiveQuantifierUNode = rx::PossessiveQuantifierNode<wchar_t>;
using NFAAcceptUNode = rx::AcceptNode<wchar_t>;
using NFAClassUNode = rx::ClassNode<wchar_t>;
using NFACIClassUNode = rx::CIClassNode<wchar_t>;
using NFASubStartUNode = rx::SubStartNode<wchar_t>;
using NFAOrUNode = rx::OrNode<wchar_t>;
using NFAQuoteUNode = rx::QuoteNode<wchar_t>;
using NFACIQuoteUNode = rx::CIQuoteNode<wchar_t>;
using NFALookAheadUNode = rx::LookAheadNode<wchar_t>;
using NFALookBehindUNode = rx::LookBehindNode<wchar_t>;
using NFAStartOfLineUNode = rx::StartOfLineNode<wchar_t>;
using NFAEndOfLineUNode = rx::EndOfLineNode<wchar_t>;
using NFAReferenceUNode = rx::ReferenceNode<wchar_t>;
using NFAStartOfInputUNode = rx::StartOfInputNode<wchar_t>;
using NFAEndOfInputUNode = rx::EndOfInputNode<wchar_t>;
using NFAWordBoundaryUNode = rx::WordBoundaryNode<wchar_t>;
using NFAEndOfMatchUNode = rx::EndOfMatchNode<wchar_t>;
using NFAGroupHeadUNode = rx::GroupHeadNode<wchar_t>;
using NFAGroupTailUNode = rx::GroupTailNode<wchar_t>;
using NFAGroupLoopPrologueUNode = rx::GroupLoopPrologueNode<wchar_t>;
using NFAGroupLoopUNode = rx::GroupLoopNode<wchar_t>;
