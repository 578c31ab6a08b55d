// The passes that run over a finished graph and set what the nodes use to
// skip work at match time: the first characters and literal prefix of a
// match, the one-character follower of an atom loop, and literal chains.
// None of them changes an answer; each states the property of the graph it
// relies on.
#include "regex/passes.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "regex/automaton.h"

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
    case NodeKind::Start:
    case NodeKind::End:
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier:
    case NodeKind::PossessiveQuantifier:
    case NodeKind::Accept:
    case NodeKind::SubStart:
    case NodeKind::Or:
    case NodeKind::LookAhead:
    case NodeKind::LookBehind:
    case NodeKind::StartOfLine:
    case NodeKind::EndOfLine:
    case NodeKind::Reference:
    case NodeKind::StartOfInput:
    case NodeKind::EndOfInput:
    case NodeKind::WordBoundary:
    case NodeKind::EndOfMatch:
    case NodeKind::GroupHead:
    case NodeKind::GroupTail:
    case NodeKind::GroupLoopPrologue:
    case NodeKind::GroupLoop:
      return false;
  }
  return false;
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
    case NodeKind::Char:
    case NodeKind::CIChar:
    case NodeKind::Class:
    case NodeKind::CIClass:
    case NodeKind::Quote:
    case NodeKind::CIQuote:
      return atom(n, out);
    case NodeKind::End:
    case NodeKind::Reference:
      // The match may end here, or go on with text of any kind.
      return false;
  }
  return false;
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

// First characters. Relies on: every match passes through a consuming atom
// before it can end, along every path from the head; a path that could end
// or loop back without consuming gives no answer. The start node then skips
// the positions that hold none of the characters.
template <class Char>
void setFirstChars(Graph<Char>& graph) {
  CharSet first;
  if (FirstChars<Char>().of(graph.head, &first))
    static_cast<StartNode<Char>*>(graph.head)->setFirstChars(first);
}

// Followers. Relies on: the nodes looked through (joins with a next node,
// sequence starts, group heads and tails) consume nothing and undo what they
// set when the rest fails, so the rest of the pattern after an atom loop
// begins with the follower's test at the loop's end position. The loop then
// tries only the ends the follower accepts.
template <class Char>
void linkFollowers(Graph<Char>& graph) {
  for (Node<Char>* node : graph.nodes()) {
    if (node->kind != NodeKind::GreedyQuantifier && node->kind != NodeKind::LazyQuantifier) continue;
    const Node<Char>* n = node->next;
    for (int hops = 0; n && hops < 64; ++hops) {
      NodeKind k = n->kind;
      bool transparent = (k == NodeKind::Accept && n->next) || k == NodeKind::SubStart ||
                         k == NodeKind::GroupHead || k == NodeKind::GroupTail;
      if (!transparent) break;
      n = n->next;
    }
    if (n && isOneCharacterAtom(n)) {
      static_cast<QuantifierNode<Char>*>(node)->follower = n;
    }
  }
}

// Literal prefix. Relies on: the chain from the head up to the first node
// that is not a case-sensitive character or quote, looked through the same
// transparent nodes, is the only way into the pattern, so every match begins
// with that text; and character nodes do nothing but compare, so a start
// that has the text may go on after them.
template <class Char>
void setPrefix(Graph<Char>& graph) {
  auto prefixNodes = [&graph](auto&& each) {
    for (const Node<Char>* n = graph.head->next; n; n = n->next) {
      NodeKind k = n->kind;
      if (k == NodeKind::Char) {
        each(std::basic_string_view<Char>(&static_cast<const CharNode<Char>*>(n)->ch, 1));
      } else if (k == NodeKind::Quote) {
        each(std::basic_string_view<Char>(static_cast<const QuoteNode<Char>*>(n)->str));
      } else if (!(k == NodeKind::SubStart || k == NodeKind::GroupHead ||
                   (k == NodeKind::Accept && n->next))) {
        break;
      }
    }
  };
  size_t length = 0;
  prefixNodes([&length](std::basic_string_view<Char> piece) { length += piece.size(); });
  if (length == 0) return;
  // Filled in place, so that a long prefix costs the graph's storage only.
  Char* text = graph.newText(length);
  Char* at = text;
  prefixNodes([&at](std::basic_string_view<Char> piece) { at = std::copy(piece.begin(), piece.end(), at); });
  // A prefix of plain character nodes right after the sequence start need
  // not be compared twice.
  const Node<Char>* after = nullptr;
  if (graph.head->next->kind == NodeKind::SubStart) {
    size_t chars = 0;
    const Node<Char>* n = graph.head->next->next;
    for (; n && n->kind == NodeKind::Char; n = n->next) ++chars;
    if (chars == length) after = n;
  }
  static_cast<StartNode<Char>*>(graph.head)->setPrefix(std::basic_string_view<Char>(text, length), after);
}

// Literal chains. Relies on: a character node that follows another one is
// reached only through it (the compiler links each atom once), so the first
// node of a chain can compare the whole chain and continue after its last.
template <class Char>
void linkLiterals(Graph<Char>& graph) {
  for (Node<Char>* node : graph.nodes()) {
    if (node->kind == NodeKind::Char && node->next && node->next->kind == NodeKind::Char) {
      static_cast<CharNode<Char>*>(node->next)->inChain = true;
    }
  }
  for (Node<Char>* node : graph.nodes()) {
    if (node->kind != NodeKind::Char || !node->next || node->next->kind != NodeKind::Char) continue;
    if (static_cast<CharNode<Char>*>(node)->inChain) continue;
    size_t length = 0;
    const Node<Char>* n = node;
    for (; n && n->kind == NodeKind::Char; n = n->next) ++length;
    Char* text = graph.newText(length);
    Char* at = text;
    for (n = node; n && n->kind == NodeKind::Char; n = n->next)
      *at++ = static_cast<const CharNode<Char>*>(n)->ch;
    static_cast<CharNode<Char>*>(node)->setLiteral(std::basic_string_view<Char>(text, length), n);
  }
}

// In-place group loops. Relies on: the compiler builds a group's
// alternatives as an alternation tree nested to the right whose every
// branch begins with the group's head and ends, through accept nodes, in
// the group's tail, which returns to the loop. When each branch holds one
// one-character atom between the two, an iteration is one character and
// nothing more, which the prologue can then run in place.
constexpr size_t kMaxInPlaceAtoms = 16;
constexpr int kMaxJoinHops = 4 * static_cast<int>(kMaxInPlaceAtoms);

template <class Char>
bool oneCharacterBranch(const Node<Char>* n, const GroupLoopNode<Char>* loop,
                        std::vector<const Node<Char>*>* atoms) {
  if (n->kind != NodeKind::GroupHead || static_cast<const GroupHeadNode<Char>*>(n)->gi != loop->gi)
    return false;
  const Node<Char>* atom = n->next;
  if (!atom || !isOneCharacterAtom(atom)) return false;
  const Node<Char>* m = atom->next;
  for (int hops = 0; m && m->kind == NodeKind::Accept && hops < kMaxJoinHops; ++hops) m = m->next;
  if (!m || m->kind != NodeKind::GroupTail || m->next != loop) return false;
  atoms->push_back(atom);
  return true;
}

template <class Char>
void setInPlaceLoops(Graph<Char>& graph) {
  for (Node<Char>* node : graph.nodes()) {
    if (node->kind != NodeKind::GroupLoopPrologue || !node->next || node->next->kind != NodeKind::GroupLoop)
      continue;
    auto* loop = static_cast<const GroupLoopNode<Char>*>(node->next);
    std::vector<const Node<Char>*> atoms;
    const Node<Char>* n = loop->inner;
    bool ok = true;
    for (; ok && n && n->kind == NodeKind::Or && atoms.size() < kMaxInPlaceAtoms;
         n = static_cast<const OrNode<Char>*>(n)->two)
      ok = oneCharacterBranch(static_cast<const OrNode<Char>*>(n)->one, loop, &atoms);
    if (ok && n && atoms.size() < kMaxInPlaceAtoms && oneCharacterBranch(n, loop, &atoms))
      static_cast<GroupLoopPrologueNode<Char>*>(node)->runInPlace(std::move(atoms));
  }
}

// Leading run. Relies on: every match begins with an unbounded loop over
// one one-character atom, reached from the head only through nodes that
// consume nothing, and no back-reference reads where a group began. An
// attempt from q that fails then fails from every later start inside the
// atom's run from q, and from the position just after the run: such a start
// reaches the rest of the pattern at some of the same positions, with the
// same group values except starts nothing reads. The start node skips them.
template <class Char>
void setLeadingRun(Graph<Char>& graph) {
  for (const Node<Char>* n : graph.nodes()) {
    if (n->kind == NodeKind::Reference) return;
  }
  const Node<Char>* n = graph.head->next;
  for (int hops = 0; n && hops < kMaxJoinHops; ++hops) {
    NodeKind k = n->kind;
    if (!(k == NodeKind::SubStart || k == NodeKind::GroupHead || (k == NodeKind::Accept && n->next))) break;
    n = n->next;
  }
  if (!n || !(n->kind == NodeKind::GreedyQuantifier || n->kind == NodeKind::LazyQuantifier ||
              n->kind == NodeKind::PossessiveQuantifier)) {
    return;
  }
  auto* q = static_cast<const QuantifierNode<Char>*>(n);
  if (q->max == kUnbounded && isOneCharacterAtom(q->inner))
    static_cast<StartNode<Char>*>(graph.head)->setLeadingRun(q->inner);
}

// Automaton fit. Relies on: the graph is finished (the automaton's program
// is built from it later, on the first match that needs it). A pattern that
// fits gets the backtracker's small budget, and the automaton where that
// runs out.
template <class Char>
void setAutomatonFit(Graph<Char>& graph) {
  graph.automatonFits = Automaton<Char>::accepts(graph);
}

}  // namespace

// The first-character and prefix passes read the graph as the compiler left
// it, so they run before the literal chains are set.
template <class Char>
void optimise(Graph<Char>& graph) {
  linkFollowers(graph);
  setFirstChars(graph);
  setPrefix(graph);
  linkLiterals(graph);
  setInPlaceLoops(graph);
  setLeadingRun(graph);
  setAutomatonFit(graph);
}

template void optimise<char>(Graph<char>&);
template void optimise<wchar_t>(Graph<wchar_t>&);

}  // namespace rx
