// Finding a pattern's required literal, and scanning a subject for it.
#include "regex/literal_scan.h"

#include <cstring>
#include <unordered_set>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rx {

namespace {

// How common a character is in tool output, logs and release texts, from
// 1 (rare) to 9 (everywhere): blanks and lower-case letters most, then
// digits, common punctuation, the upper-case letters that begin words most
// often, the other upper-case letters, other punctuation and control
// characters, and anything beyond ASCII least.
int commonness(uint32_t c) {
  auto among = [c](const char* set) { return c != 0 && c < 128 && std::strchr(set, static_cast<int>(c)); };
  if (c == ' ') return 9;
  if (c >= 'a' && c <= 'z') return 8;
  if (c >= '0' && c <= '9') return 7;
  if (among(".,:/-_=()\"'\n")) return 6;
  if (among("ETAOINSC")) return 5;
  if (c >= 'A' && c <= 'Z') return 4;
  if (c == '\t' || c == '\r') return 3;
  if (c < 128) return 2;
  return 1;
}

// A consuming atom that accepts c; for quoted text, at any of its characters.
template <class Char>
bool atomAccepts(const Node<Char>* atom, Char c) {
  if (isOneCharacterAtom(atom)) return acceptsChar(atom, c);
  auto* q = static_cast<const QuoteNode<Char>*>(atom);
  for (Char s : q->str) {
    bool same =
        atom->kind == NodeKind::CIQuote ? CharTraits<Char>::fold(s) == CharTraits<Char>::fold(c) : s == c;
    if (same) return true;
  }
  return false;
}

template <class Char>
bool consumes(const Node<Char>* n) {
  return isOneCharacterAtom(n) || n->kind == NodeKind::Quote || n->kind == NodeKind::CIQuote;
}

// Every consuming atom reachable from `n` before coming back to `stop`.
template <class Char>
void collectAtoms(const Node<Char>* n, const Node<Char>* stop, std::unordered_set<const Node<Char>*>* seen,
                  std::vector<const Node<Char>*>* atoms) {
  std::vector<const Node<Char>*> work{n};
  while (!work.empty()) {
    const Node<Char>* m = work.back();
    work.pop_back();
    if (!m || m == stop || !seen->insert(m).second) continue;
    if (consumes(m)) atoms->push_back(m);
    work.push_back(m->next);
    if (m->kind == NodeKind::Or) {
      work.push_back(static_cast<const OrNode<Char>*>(m)->one);
      work.push_back(static_cast<const OrNode<Char>*>(m)->two);
    } else if (m->kind == NodeKind::GreedyQuantifier || m->kind == NodeKind::LazyQuantifier) {
      work.push_back(static_cast<const QuantifierNode<Char>*>(m)->inner);
    } else if (m->kind == NodeKind::GroupLoop) {
      work.push_back(static_cast<const GroupLoopNode<Char>*>(m)->inner);
    }
  }
}

}  // namespace

template <class Char>
LiteralScan<Char>::LiteralScan(const Graph<Char>& graph, const Automaton<Char>& automaton, bool plan) {
  if (!plan) return;
  auto prefix = static_cast<const StartNode<Char>*>(graph.head)->literalPrefix();
  if (!prefix.empty()) {
    place_ = Place::Prefix;
    text_.assign(prefix.begin(), prefix.end());
  } else {
    planInner(graph, automaton);
  }
  if (place_ != Place::None) pickRare();
}

// Walks the pattern's one path from its start: the atoms of every loop and
// quantifier on it count as before what follows them. The first character
// node none of the atoms before it accepts begins the literal, with the
// character nodes right after it; an alternative or the end stops the walk.
template <class Char>
void LiteralScan<Char>::planInner(const Graph<Char>& graph, const Automaton<Char>& automaton) {
  std::vector<const Node<Char>*> before;
  std::unordered_set<const Node<Char>*> seen;
  for (const Node<Char>* n = graph.head->next; n;) {
    switch (n->kind) {
      case NodeKind::Char: {
        Char c = static_cast<const CharNode<Char>*>(n)->ch;
        bool free = automaton.pcOf(n) >= 0;
        for (const Node<Char>* atom : before) free = free && !atomAccepts(atom, c);
        if (free) {
          place_ = Place::Inner;
          pc_ = automaton.pcOf(n);
          for (; n && n->kind == NodeKind::Char; n = n->next)
            text_ += static_cast<const CharNode<Char>*>(n)->ch;
          return;
        }
        before.push_back(n);
        n = n->next;
        break;
      }
      case NodeKind::CIChar:
      case NodeKind::Class:
      case NodeKind::CIClass:
      case NodeKind::Quote:
      case NodeKind::CIQuote:
        before.push_back(n);
        n = n->next;
        break;
      case NodeKind::GreedyQuantifier:
      case NodeKind::LazyQuantifier:
        collectAtoms(static_cast<const QuantifierNode<Char>*>(n)->inner, n, &seen, &before);
        n = n->next;
        break;
      case NodeKind::GroupLoopPrologue: {
        const Node<Char>* loop = n->next;
        collectAtoms(static_cast<const GroupLoopNode<Char>*>(loop)->inner, loop, &seen, &before);
        n = loop->next;
        break;
      }
      case NodeKind::Accept:
      case NodeKind::SubStart:
      case NodeKind::GroupHead:
      case NodeKind::GroupTail:
      case NodeKind::StartOfLine:
      case NodeKind::EndOfLine:
      case NodeKind::StartOfInput:
      case NodeKind::EndOfInput:
      case NodeKind::WordBoundary:
      case NodeKind::LookBehind:
        n = n->next;
        break;
      case NodeKind::Start:
      case NodeKind::End:
      case NodeKind::Or:
      case NodeKind::GroupLoop:
      case NodeKind::PossessiveQuantifier:
      case NodeKind::LookAhead:
      case NodeKind::Reference:
      case NodeKind::EndOfMatch:
        return;
    }
  }
}

template <class Char>
void LiteralScan<Char>::pickRare() {
  auto rank = [this](int i) { return commonness(CharTraits<Char>::code(text_[static_cast<size_t>(i)])); };
  const int n = static_cast<int>(text_.size());
  for (int i = 1; i < n; ++i) {
    if (rank(i) < rank(rare_)) rare_ = i;
  }
  rare2_ = rare_ == 0 ? std::min(1, n - 1) : 0;
  for (int i = 0; i < n; ++i) {
    if (i == rare_) continue;
    bool differs = text_[static_cast<size_t>(i)] != text_[static_cast<size_t>(rare_)];
    bool secondDiffers = text_[static_cast<size_t>(rare2_)] != text_[static_cast<size_t>(rare_)];
    if (rank(i) < rank(rare2_) || (rank(i) == rank(rare2_) && differs && !secondDiffers)) rare2_ = i;
  }
}

// The rarest character first, with memchr (wmemchr), which the C library
// runs at its fastest; a narrow literal whose rarest byte turns out common
// in this text (a hit that is no occurrence for every 64 bytes scanned, past
// a first few) goes on with the scan for both its rare bytes at once.
template <class Char>
int LiteralScan<Char>::find(const Char* text, int length, int from) const {
  const int n = static_cast<int>(text_.size());
  const Char rare = text_[static_cast<size_t>(rare_)];
  int misses = 0;
  for (int i = from; i + n <= length;) {
    if (sizeof(Char) == 1 && n >= 2 && 64 * misses > i - from + 1024) return findPair(text, length, i);
    const size_t starts = static_cast<size_t>(length - n - i) + 1;
    const Char* hit = std::char_traits<Char>::find(text + i + rare_, starts, rare);
    if (!hit) return -1;
    i = static_cast<int>(hit - text) - rare_;
    if (at(text, i)) return i;
    ++misses;
    ++i;
  }
  return -1;
}

// Narrow only (find calls it for bytes): the two rarest bytes at their
// offsets, sixteen starts at a time.
template <class Char>
int LiteralScan<Char>::findPair(const Char* text, int length, int from) const {
  const int last = length - static_cast<int>(text_.size());
  const Char first = text_[static_cast<size_t>(rare_)], second = text_[static_cast<size_t>(rare2_)];
  int i = from;
#if defined(__SSE2__)
  if constexpr (sizeof(Char) == 1) {
    const __m128i a = _mm_set1_epi8(static_cast<char>(first)), b = _mm_set1_epi8(static_cast<char>(second));
    auto hits = [&](int at) {
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + rare_));
      __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + rare2_));
      return _mm_and_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(y, b));
    };
    while (i + 15 <= last) {
      // Four blocks a round with one test for all of them, as hits are rare;
      // then the blocks one by one where there was one.
      for (; i + 63 <= last; i += 64) {
        __m128i h =
            _mm_or_si128(_mm_or_si128(hits(i), hits(i + 16)), _mm_or_si128(hits(i + 32), hits(i + 48)));
        if (_mm_movemask_epi8(h)) break;
      }
      for (int block = 0; block < 4 && i + 15 <= last; ++block, i += 16) {
        for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits(i))); mask; mask &= mask - 1) {
          int j = i + __builtin_ctz(mask);
          if (at(text, j)) return j;
        }
      }
    }
  }
#endif
  for (; i <= last; ++i) {
    if (text[i + rare_] == first && text[i + rare2_] == second && at(text, i)) return i;
  }
  return -1;
}

template class LiteralScan<char>;
template class LiteralScan<wchar_t>;

}  // namespace rx
