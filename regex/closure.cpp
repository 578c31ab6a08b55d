// Anchors judged from a position's context rather than from the subject.
#include "regex/closure.h"

namespace rx {

template <class Char>
unsigned contextAt(const Char* text, int length, int p, const ClassMap<Char>& classes) {
  unsigned context = p == 0 ? kAtStart : classes.sides(classes.of(text[p - 1])) << kBefore;
  if (p >= length) return context | kAtEnd;
  context |= classes.sides(classes.of(text[p])) << kAfter;
  int rest = length - p;
  const Char cr = static_cast<Char>('\r'), lf = static_cast<Char>('\n');
  if ((rest == 1 && (text[p] == cr || text[p] == lf)) || (rest == 2 && text[p] == cr && text[p + 1] == lf))
    context |= kTerminatorTail;
  return context;
}

// The same rules as the anchor nodes' own tests (regex/atom_nodes.h).
template <class Char>
bool anchorHolds(const Node<Char>* anchor, unsigned context) {
  const unsigned before = context >> kBefore, after = context >> kAfter;
  switch (anchor->kind) {
    case NodeKind::StartOfLine:
      return (context & kAtStart) || (before & kTerminator);
    case NodeKind::EndOfLine:
      return (context & kAtEnd) || (after & kTerminator);
    case NodeKind::StartOfInput:
      return (context & kAtStart) != 0;
    case NodeKind::EndOfInput:
      return (context & kAtEnd) ||
             (static_cast<const EndOfInputNode<Char>*>(anchor)->term && (context & kTerminatorTail));
    case NodeKind::WordBoundary: {
      if (context & kAtEnd) return true;
      bool boundary = ((context & kAtStart) ? false : (before & kLetter) != 0) != ((after & kLetter) != 0);
      return boundary == static_cast<const WordBoundaryNode<Char>*>(anchor)->pos;
    }
    case NodeKind::Char:
    case NodeKind::CIChar:
    case NodeKind::Start:
    case NodeKind::End:
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier:
    case NodeKind::PossessiveQuantifier:
    case NodeKind::Accept:
    case NodeKind::Class:
    case NodeKind::CIClass:
    case NodeKind::SubStart:
    case NodeKind::Or:
    case NodeKind::Quote:
    case NodeKind::CIQuote:
    case NodeKind::LookAhead:
    case NodeKind::LookBehind:
    case NodeKind::Reference:
    case NodeKind::EndOfMatch:
    case NodeKind::GroupHead:
    case NodeKind::GroupTail:
    case NodeKind::GroupLoopPrologue:
    case NodeKind::GroupLoop:
      break;
  }
  return false;
}

template unsigned contextAt<char>(const char*, int, int, const ClassMap<char>&);
template unsigned contextAt<wchar_t>(const wchar_t*, int, int, const ClassMap<wchar_t>&);
template bool anchorHolds<char>(const Node<char>*, unsigned);
template bool anchorHolds<wchar_t>(const Node<wchar_t>*, unsigned);

}  // namespace rx
