// The nodes that structure a match: sequence starts and joins, alternation,
// look-ahead, groups and their loops, and the quantifiers over one atom.
#pragma once

#include <algorithm>
#include <vector>

#include "regex/atom_nodes.h"
#include "regex/node.h"

namespace rx {

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

// Loops. There are two kinds, and they repeat differently.
//
// A quantified group (head .. tail -> loop node) is a loop in the graph: the
// tail links back to the loop node, which starts the next iteration by
// calling into the group again. Every iteration is one call deeper, so the
// loop backtracks into earlier iterations, and the group's positions hold
// those of its last iteration. The loop's bookkeeping (count, iteration
// start, possessive mark) lives in the match state, saved by the prologue
// and restored when the loop fails. An iteration that consumed nothing ends
// the loop, even below its minimum.
//
// A possessive group loop never gives back an iteration that succeeded, but
// at its maximum it may stop one short: before each further iteration it
// marks the count it had, and when that iteration fails with no deeper
// iteration begun since (the count is back at the mark), the rest of the
// pattern is tried after the iterations made so far; otherwise it fails.
// The mark deliberately survives a failed attempt, which is why snapshots
// of the state leave the loop bookkeeping out.
//
// A quantifier over one atom (a character, class, quoted text,
// back-reference or anchor) runs its iterations in a loop, not in the
// graph: the atom's chain ends in an accept node without `next`, so each
// inner match returns the end of one iteration. Same-width rule: within one
// quantifier all iterations of an atom consume the same number of
// characters (a character or class one, a quote its length, a back-reference
// the group's current length, an anchor none), so the greedy and lazy kinds
// can step between iteration ends by that width instead of keeping a stack
// of them.
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

}  // namespace rx
