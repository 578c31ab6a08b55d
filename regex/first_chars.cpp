// The first-character analysis: a walk over the graph from the head that
// stops (with no answer) wherever a match could be empty or start anywhere.
#include "regex/first_chars.h"

#include <vector>

namespace rx {

namespace {

constexpr int kMaxVisits = 2000;

template <class Char>
class FirstChars {
 public:
  using N = Node<Char>;
  using T = CharTraits<Char>;

  bool of(const N* n, CharSet* out);

 private:
  bool atom(const N* n, CharSet* out);
  bool foldedChars(const N* n, CharSet* out);
  bool loop(const GroupLoopNode<Char>* n, CharSet* out);
  bool quantifier(const QuantifierNode<Char>* q, CharSet* out);

  int visits_ = 0;
  std::vector<const N*> openLoops_;
};

// The characters of a consuming atom; false for anything else.
template <class Char>
bool FirstChars<Char>::atom(const N* n, CharSet* out) {
  switch (n->kind) {
    case NodeKind::Char:
      out->add(T::code(static_cast<const CharNode<Char>*>(n)->ch));
      return true;
    case NodeKind::Class: {
      auto* c = static_cast<const ClassNode<Char>*>(n);
      // An inverted wide class reaches beyond the byte values.
      if (c->inv && !std::is_same<Char, char>::value) return false;
      out->unite(c->inv ? c->set.complementLow() : c->set);
      return true;
    }
    case NodeKind::Quote:
      if (static_cast<const QuoteNode<Char>*>(n)->str.empty()) return false;
      out->add(T::code(static_cast<const QuoteNode<Char>*>(n)->str[0]));
      return true;
    case NodeKind::CIChar:
    case NodeKind::CIClass:
    case NodeKind::CIQuote:
      return foldedChars(n, out);
    default:
      return false;
  }
}

// Case-insensitive atoms in the narrow form: every byte the atom accepts
// at the first position. The wide form's folding has no such finite list.
template <class Char>
bool FirstChars<Char>::foldedChars(const N* n, CharSet* out) {
  if (!std::is_same<Char, char>::value) return false;
  if (n->kind == NodeKind::CIQuote && static_cast<const QuoteNode<Char>*>(n)->str.empty()) return false;
  for (uint32_t c = 0; c < 256; ++c) {
    Char ch = T::fromCode(c);
    bool accepts = false;
    if (n->kind == NodeKind::CIChar) {
      accepts = T::fold(ch) == static_cast<const CharNode<Char>*>(n)->ch;
    } else if (n->kind == NodeKind::CIClass) {
      auto* k = static_cast<const ClassNode<Char>*>(n);
      accepts = k->set.contains(T::code(T::fold(ch))) != k->inv;
    } else {
      accepts = T::fold(ch) == T::fold(static_cast<const QuoteNode<Char>*>(n)->str[0]);
    }
    if (accepts) out->add(c);
  }
  return true;
}

template <class Char>
bool FirstChars<Char>::of(const N* n, CharSet* out) {
  if (!n || ++visits_ > kMaxVisits) return false;
  switch (n->kind) {
    case NodeKind::Start:
    case NodeKind::SubStart:
    case NodeKind::GroupHead:
    case NodeKind::GroupTail:
    case NodeKind::GroupLoopPrologue:
    case NodeKind::LookAhead:
    case NodeKind::LookBehind:
    case NodeKind::StartOfLine:
    case NodeKind::EndOfLine:
    case NodeKind::StartOfInput:
    case NodeKind::EndOfInput:
    case NodeKind::WordBoundary:
    case NodeKind::EndOfMatch:
      return of(n->next, out);
    case NodeKind::Accept:
      return n->next && of(n->next, out);
    case NodeKind::Or: {
      auto* o = static_cast<const OrNode<Char>*>(n);
      return of(o->one, out) && of(o->two, out);
    }
    case NodeKind::GroupLoop:
      return loop(static_cast<const GroupLoopNode<Char>*>(n), out);
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier:
    case NodeKind::PossessiveQuantifier:
      return quantifier(static_cast<const QuantifierNode<Char>*>(n), out);
    default:
      return atom(n, out);
  }
}

// Coming back to a loop from its own tail means the iteration consumed
// nothing so far: no answer.
template <class Char>
bool FirstChars<Char>::loop(const GroupLoopNode<Char>* n, CharSet* out) {
  for (const N* open : openLoops_) {
    if (open == n) return false;
  }
  openLoops_.push_back(n);
  bool known = of(n->inner, out);
  openLoops_.pop_back();
  return known && (n->min >= 1 || of(n->next, out));
}

template <class Char>
bool FirstChars<Char>::quantifier(const QuantifierNode<Char>* q, CharSet* out) {
  if (!atom(q->inner, out)) return false;
  return q->min >= 1 || of(q->next, out);
}

}  // namespace

template <class Char>
bool firstChars(const Node<Char>* head, CharSet* chars) {
  return FirstChars<Char>().of(head, chars);
}

template bool firstChars<char>(const Node<char>*, CharSet*);
template bool firstChars<wchar_t>(const Node<wchar_t>*, CharSet*);

}  // namespace rx
