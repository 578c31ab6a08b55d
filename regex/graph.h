// The ends of every compiled pattern (the start node that tries the start
// positions, the end node that records the match end) and the graph that owns
// the nodes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "regex/arena.h"
#include "regex/atom_nodes.h"
#include "regex/char_set.h"
#include "regex/node.h"

namespace rx {

// Head of every pattern: in search mode it tries every start position,
// the end of the subject included.
template <class Char>
class StartNode : public Node<Char> {
 public:
  StartNode() : Node<Char>(NodeKind::Start) {}
  int match(MatchState<Char>& st, int p) const override {
    st.starts[0] = p;
    if (st.wholeMode) {
      if (p == 0 && prefixAt(st, 0)) return afterPrefix(st, 0);
      if (p != 0) st.starts[0] = -1;
      return -1;
    }
    // One attempt from a start already known to hold the match.
    if (st.anchoredSearch) return this->proceed(st, p);
    // A failed attempt leaves the groups as it found them, so every start
    // begins from the groups the search began with.
    int r = -1;
    for (int q = p;; ++q) {
      q = firstCandidate(st, q);
      if (q > st.length) break;
      st.starts[0] = q;
      r = afterPrefix(st, q);
      if (r != -1 || st.stopped || q >= st.length) break;
      if (leadingRun) {
        while (q < st.length && acceptsChar(leadingRun, st.text[q])) ++q;
      }
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
  // Every match begins with this text (set after compiling, held in the
  // graph's storage): a start position without it fails at once. When the
  // text is the pattern's first character nodes, `after` is the node after
  // them, where a start that has the text goes on.
  void setPrefix(std::basic_string_view<Char> text, const Node<Char>* after) {
    prefix = text;
    pastPrefix = after;
  }
  std::basic_string_view<Char> literalPrefix() const { return prefix; }
  // Every match begins with an unbounded loop over this one-character atom,
  // and a failed start inside its run says the rest of the run fails too
  // (set after compiling): the search goes on after the run.
  void setLeadingRun(const Node<Char>* atom) { leadingRun = atom; }

  // The first start position from q worth trying; past the end if none.
  int firstCandidate(const MatchState<Char>& st, int q) const {
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

 private:
  // The rest of an attempt at q, where the prefix has been found.
  int afterPrefix(MatchState<Char>& st, int q) const {
    if (pastPrefix) return this->run(pastPrefix, st, q + static_cast<int>(prefix.size()));
    return this->proceed(st, q);
  }
  bool prefixAt(const MatchState<Char>& st, int q) const {
    size_t n = prefix.size();
    if (n == 0) return true;
    // Most rejected starts differ at the first character: no call for them.
    return n <= static_cast<size_t>(st.length - q) && st.text[q] == prefix[0] &&
           std::char_traits<Char>::compare(st.text + q + 1, prefix.data() + 1, n - 1) == 0;
  }

  std::basic_string_view<Char> prefix;
  const Node<Char>* pastPrefix = nullptr;
  CharSet firstChars;
  bool hasFirstChars = false;
  const Node<Char>* leadingRun = nullptr;
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
// head, and the group counts the matcher sizes its arrays from. Nodes and
// the texts the passes store live in the graph's arena and are destroyed
// with it, in the order they were made, never by following links (the
// graph has cycles).
template <class Char>
class Graph {
 public:
  // The arena begins in `storage` (bytes long), which the owner keeps for
  // the graph's life; with none, every block comes from the heap.
  Graph(void* storage, size_t bytes) : arena_(storage, bytes) {}
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;
  ~Graph() {
    for (Node<Char>* n = first_; n;) {
      Node<Char>* made = n->made_;
      n->~Node();
      n = made;
    }
  }

  template <class T, class... Args>
  T* make(Args&&... args) {
    T* node = new (arena_.allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    (last_ ? last_->made_ : first_) = node;
    last_ = node;
    return node;
  }
  // Room for `length` characters of text in the graph's storage.
  Char* newText(size_t length) {
    return static_cast<Char*>(arena_.allocate(length * sizeof(Char), alignof(Char)));
  }

  // The nodes in the order they were made.
  class Nodes {
   public:
    class iterator {
     public:
      explicit iterator(Node<Char>* n) : n_(n) {}
      Node<Char>* operator*() const { return n_; }
      iterator& operator++() {
        n_ = n_->made_;
        return *this;
      }
      bool operator!=(const iterator& o) const { return n_ != o.n_; }

     private:
      Node<Char>* n_;
    };
    explicit Nodes(Node<Char>* first) : first_(first) {}
    iterator begin() const { return iterator(first_); }
    iterator end() const { return iterator(nullptr); }

   private:
    Node<Char>* first_;
  };
  Nodes nodes() const { return Nodes(first_); }
  // The nodes made after `mark` (a node returned by lastMade, or null for all).
  Nodes nodesAfter(const Node<Char>* mark) const { return Nodes(mark ? mark->made_ : first_); }
  Node<Char>* lastMade() const { return last_; }
  // Heap blocks the arena needed beyond the storage it began with.
  int heapBlocks() const { return arena_.heapBlocks(); }

  Node<Char>* head = nullptr;
  int groupCount = 0;
  int nonCapturing = 0;
  // Every node is one the automaton answers for (set after compiling).
  bool automatonFits = false;

 private:
  Arena arena_;
  Node<Char>* first_ = nullptr;
  Node<Char>* last_ = nullptr;
};

}  // namespace rx
