// The base of every node of a compiled pattern: its kind, its one link and
// the call that hands a match on to the next node. A node tests its condition
// at a position and on success continues at `next`; the result is the end of
// the whole match or -1. Nodes are owned by the graph, never by the nodes that
// link to them: group loops make cycles.
#pragma once

#include <climits>
#include <string>

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

// The class name of a node kind without the "NFA" prefix and the
// "Node"/"UNode" suffix, as the dump prints it.
const char* kindName(NodeKind kind);

enum LoopType { kGreedy = 0, kLazy = 1, kPossessive = 2 };

template <class Char>
class Graph;

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

  Node* next = nullptr;

 private:
  friend class Graph<Char>;
  Node* made_ = nullptr;  // the node the graph made after this one

 public:
  // Last, so that a node's own fields can take the padding after it.
  const NodeKind kind;

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

}  // namespace rx
