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
    if (!writesGroups) {
      int r = this->run(inner, st, p);
      return (pos ? r == -1 : r != -1) ? -1 : this->proceed(st, p);
    }
    size_t saved = st.pushGroups();
    int r = this->run(inner, st, p);
    if (pos ? r == -1 : r != -1) {
      if (r != -1) st.restoreGroups(saved);
      st.popGroups(saved);
      return -1;
    }
    r = this->proceed(st, p);
    if (r == -1 && pos) st.restoreGroups(saved);
    st.popGroups(saved);
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
// The mark deliberately survives a failed attempt, which is why the group
// values a node saves and puts back leave the loop bookkeeping out.
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

// Enters a group loop: saves the loop's bookkeeping and restores it when the
// loop fails.
//
// A loop whose every iteration is one character, matched by one of a few
// one-character atoms (a group of one-character alternatives such as (a|b)*
// or (?:[0-9]|x)+, set after compiling), runs in place instead: its
// iterations all have width 1 and which alternative matched is not
// observable, so the loop counts the run of accepted characters and tries
// the iteration counts in the order the loop would reach them, with the
// group holding the last iteration's character (or its earlier value after
// none). No call level per iteration, and no bookkeeping to keep.
template <class Char>
class GroupLoopPrologueNode : public Node<Char> {
 public:
  explicit GroupLoopPrologueNode(int group) : Node<Char>(NodeKind::GroupLoopPrologue), gi(group) {}
  int match(MatchState<Char>& st, int p) const override {
    if (!singles_.empty()) return matchInPlace(st, p);
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
  void runInPlace(std::vector<const Node<Char>*> atoms) { singles_ = std::move(atoms); }
  const int gi;

 private:
  const GroupLoopNode<Char>& loop() const { return *static_cast<const GroupLoopNode<Char>*>(this->next); }

  bool acceptsAt(const MatchState<Char>& st, int q) const {
    if (q >= st.length) return false;
    for (const Node<Char>* atom : singles_) {
      if (acceptsChar(atom, st.text[q])) return true;
    }
    return false;
  }

  // The rest of the pattern after k iterations from p.
  int after(MatchState<Char>& st, int p, int k, int savedStart, int savedEnd) const {
    st.starts[gi] = k > 0 ? p + k - 1 : savedStart;
    st.ends[gi] = k > 0 ? p + k : savedEnd;
    const Node<Char>* rest = loop().next;
    return rest ? this->run(rest, st, p + k) : p + k;
  }

  int matchInPlace(MatchState<Char>& st, int p) const {
    const GroupLoopNode<Char>& l = loop();
    int savedStart = st.starts[gi], savedEnd = st.ends[gi];
    int r = -1;
    if (l.type == kLazy) {
      int k = 0;
      while (k < l.min && acceptsAt(st, p + k)) ++k;
      if (k == l.min) {
        for (;; ++k) {
          r = after(st, p, k, savedStart, savedEnd);
          if (r != -1 || st.stopped || k >= l.max || !acceptsAt(st, p + k) || !st.charge(1)) break;
        }
      }
    } else {
      int n = 0;
      while (n < l.max && acceptsAt(st, p + n)) ++n;
      st.charge(n);
      if (n >= l.min && !st.stopped) {
        // A possessive loop keeps every iteration, except that at its
        // maximum it may give the last one back.
        int fewest = l.type == kGreedy ? l.min : n == l.max ? std::max(l.min, n - 1) : n;
        for (int k = n; k >= fewest; --k) {
          r = after(st, p, k, savedStart, savedEnd);
          if (r != -1 || st.stopped) break;
        }
      }
    }
    if (r < 0) {
      st.starts[gi] = savedStart;
      st.ends[gi] = savedEnd;
    }
    return r;
  }

  std::vector<const Node<Char>*> singles_;
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
    if (!this->writesGroups) return matchOnce(st, p);
    size_t saved = st.pushGroups();
    int r = matchOnce(st, p);
    if (r == -1) st.restoreGroups(saved);
    st.popGroups(saved);
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
