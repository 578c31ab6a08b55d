// The ends of every compiled pattern (the start node that tries the start
// positions, the end node that records the match end) and the graph that owns
// the nodes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

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
      if (p == 0 && prefixAt(st, 0)) return this->proceed(st, 0);
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
      r = this->proceed(st, q);
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
  // Every match begins with this text (set after compiling): a start
  // position without it fails at once.
  void setPrefix(const std::basic_string<Char>& text) { prefix = text; }
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
  bool prefixAt(const MatchState<Char>& st, int q) const {
    size_t n = prefix.size();
    if (n == 0) return true;
    // Most rejected starts differ at the first character: no call for them.
    return n <= static_cast<size_t>(st.length - q) && st.text[q] == prefix[0] &&
           std::char_traits<Char>::compare(st.text + q + 1, prefix.data() + 1, n - 1) == 0;
  }

  std::basic_string<Char> prefix;
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
  // Every node is one the automaton answers for (set after compiling).
  bool automatonFits = false;

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
