// The atoms and assertions: single characters, classes, quoted text, and
// the zero-width tests (look-behind, line and input anchors, word boundary,
// \G) and back-references.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "regex/char_set.h"
#include "regex/node.h"

namespace rx {

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
  // `afterLiteral` the node after the last of them. The text lives in the
  // graph's storage.
  void setLiteral(std::basic_string_view<Char> text, const Node<Char>* after) {
    literal = text;
    afterLiteral = after;
  }
  const Char ch;
  bool inChain = false;  // follows another character node

 private:
  // A chain has two characters at least; most misses differ in them, and
  // need no call to compare the rest.
  int matchLiteral(MatchState<Char>& st, int p) const {
    size_t n = literal.size();
    if (n > static_cast<size_t>(st.length - p) || st.text[p] != literal[0] || st.text[p + 1] != literal[1] ||
        std::char_traits<Char>::compare(st.text + p + 2, literal.data() + 2, n - 2) != 0) {
      return -1;
    }
    int end = p + static_cast<int>(n);
    return afterLiteral ? this->run(afterLiteral, st, end) : end;
  }

  std::basic_string_view<Char> literal;
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
  // The test of one subject character, the case-insensitive kind folding it first.
  bool accepts(Char c) const {
    using T = CharTraits<Char>;
    return set.contains(T::code(this->kind == NodeKind::CIClass ? T::fold(c) : c)) != inv;
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
    while (n < most && p + n < st.length && this->accepts(st.text[p + n])) ++n;
    return n;
  }

 private:
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
  int match(MatchState<Char>& st, int p) const override { return holds(st, p) ? this->proceed(st, p) : -1; }
  bool holds(const MatchState<Char>& st, int p) const {
    return p == 0 || (p <= st.length && isLineTerminator(st.text[p - 1]));
  }
};

template <class Char>
class EndOfLineNode : public Node<Char> {
 public:
  EndOfLineNode() : Node<Char>(NodeKind::EndOfLine) {}
  int match(MatchState<Char>& st, int p) const override { return holds(st, p) ? this->proceed(st, p) : -1; }
  bool holds(const MatchState<Char>& st, int p) const {
    return p >= st.length || isLineTerminator(st.text[p]);
  }
};

template <class Char>
class StartOfInputNode : public Node<Char> {
 public:
  StartOfInputNode() : Node<Char>(NodeKind::StartOfInput) {}
  int match(MatchState<Char>& st, int p) const override { return holds(st, p) ? this->proceed(st, p) : -1; }
  bool holds(const MatchState<Char>& st, int p) const {
    (void)st;
    return p == 0;
  }
  bool isStartOfInput() const override { return true; }
};

template <class Char>
class EndOfInputNode : public Node<Char> {
 public:
  explicit EndOfInputNode(bool allowTerminator) : Node<Char>(NodeKind::EndOfInput), term(allowTerminator) {}
  int match(MatchState<Char>& st, int p) const override { return holds(st, p) ? this->proceed(st, p) : -1; }
  bool holds(const MatchState<Char>& st, int p) const {
    return p == st.length || (term && onlyTerminatorLeft(st, p));
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
  int match(MatchState<Char>& st, int p) const override { return holds(st, p) ? this->proceed(st, p) : -1; }
  // At the end of the subject both forms hold.
  bool holds(const MatchState<Char>& st, int p) const {
    if (p >= st.length) return true;
    bool before = p > 0 && isLetter(st.text[p - 1]);
    bool boundary = before != isLetter(st.text[p]);
    return boundary == pos;
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

// The test of a one-character atom (a character or class node, plain or
// case-insensitive) against one subject character, made without a call
// through the node: for the loops that run such atoms in place.
template <class Char>
bool acceptsChar(const Node<Char>* atom, Char c) {
  if (atom->kind == NodeKind::Char) return c == static_cast<const CharNode<Char>*>(atom)->ch;
  if (atom->kind == NodeKind::CIChar)
    return CharTraits<Char>::fold(c) == static_cast<const CharNode<Char>*>(atom)->ch;
  return static_cast<const ClassNode<Char>*>(atom)->accepts(c);
}

template <class Char>
bool isOneCharacterAtom(const Node<Char>* n) {
  NodeKind k = n->kind;
  return k == NodeKind::Char || k == NodeKind::CIChar || k == NodeKind::Class || k == NodeKind::CIClass;
}

}  // namespace rx
