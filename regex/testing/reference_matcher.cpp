// The reference matcher: the node rules written out directly, recursion for
// every continuation and every iteration, no shortcuts.
#include "regex/testing/reference_matcher.h"

#include <memory>

namespace rxtest {

namespace {

using rx::NodeKind;

// Small enough for the sanitizer build's stack; beyond them the reference
// has no answer and the comparison is skipped.
constexpr int kReferenceDepth = 3000;
constexpr long kReferenceSteps = 2000000;

template <class Char>
class Reference {
 public:
  using N = rx::Node<Char>;
  using T = rx::CharTraits<Char>;

  Reference(const rx::Graph<Char>& graph, const std::basic_string<Char>& subject) : graph_(graph) {
    st_.resize(graph.groupCount, graph.nonCapturing);
    subject_ = subject;
    st_.text = subject_.data();
    st_.length = static_cast<int>(subject_.size());
  }

  bool gaveUp() const { return gaveUp_; }
  const rx::MatchState<Char>& state() const { return st_; }

  bool matchWhole() {
    st_.wholeMode = true;
    matched_ = false;
    st_.clearGroups();
    return call(graph_.head, 0) == st_.length;
  }

  bool findFirst() {
    st_.starts[0] = 0;
    st_.wholeMode = false;
    st_.clearGroups();
    st_.ends[0] = call(graph_.head, 0);
    matched_ = st_.ends[0] >= 0;
    return matched_;
  }

  bool findNext() {
    if (!matched_) return findFirst();
    int s = st_.starts[0], e = st_.ends[0];
    st_.wholeMode = false;
    st_.clearGroups();
    int from = s == e ? e + 1 : e;
    st_.starts[0] = from;
    if (from >= st_.length) return false;
    st_.previousEnd = from;
    st_.ends[0] = call(graph_.head, from);
    return st_.ends[0] >= 0;
  }

  void rewind() {
    st_.clearGroups();
    matched_ = false;
  }

 private:
  int call(const N* n, int p) {
    if (gaveUp_ || ++steps_ > kReferenceSteps || depth_ >= kReferenceDepth) {
      gaveUp_ = true;
      return -1;
    }
    ++depth_;
    int r = rule(n, p);
    --depth_;
    return r;
  }
  int next(const N* n, int p) { return n->next ? call(n->next, p) : p; }

  static bool isLetter(Char c) {
    uint32_t v = T::code(c);
    return (v >= 'a' && v <= 'z') || (v >= 'A' && v <= 'Z');
  }
  static bool terminator(Char c) { return c == static_cast<Char>('\n') || c == static_cast<Char>('\r'); }

  int rule(const N* n, int p);
  int classRule(const rx::ClassNode<Char>* c, int p);
  int quote(const rx::QuoteNode<Char>* q, int p);
  int lookBehind(const rx::LookBehindNode<Char>* b, int p);
  int endOfInput(const rx::EndOfInputNode<Char>* n, int p);
  int reference(const rx::ReferenceNode<Char>* n, int p);
  int group(const N* n, int p);
  int loop(const rx::GroupLoopNode<Char>* n, int p);
  int iterate(const rx::GroupLoopNode<Char>* n, int p);
  int quantifier(const rx::QuantifierNode<Char>* q, int p);
  int greedyStep(const rx::QuantifierNode<Char>* q, int p, int count);
  int possessive(const rx::QuantifierNode<Char>* q, int p);
  int start(const N* n, int p);
  int lookAhead(const rx::LookAheadNode<Char>* n, int p);

  const rx::Graph<Char>& graph_;
  std::basic_string<Char> subject_;
  rx::MatchState<Char> st_;
  bool matched_ = false;
  bool gaveUp_ = false;
  long steps_ = 0;
  int depth_ = 0;
};

template <class Char>
int Reference<Char>::rule(const N* n, int p) {
  int L = st_.length;
  const Char* s = st_.text;
  switch (n->kind) {
    case NodeKind::SubStart:
    case NodeKind::Accept:
      return next(n, p);
    case NodeKind::Or: {
      auto* o = static_cast<const rx::OrNode<Char>*>(n);
      int r = call(o->one, p);
      return r == -1 ? call(o->two, p) : r;
    }
    case NodeKind::Start:
      return start(n, p);
    case NodeKind::End:
      st_.ends[0] = p;
      if (!st_.wholeMode || p == st_.length) return p;
      st_.ends[0] = -1;
      return -1;
    case NodeKind::LookAhead:
      return lookAhead(static_cast<const rx::LookAheadNode<Char>*>(n), p);
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier:
    case NodeKind::PossessiveQuantifier:
      return quantifier(static_cast<const rx::QuantifierNode<Char>*>(n), p);
    case NodeKind::GroupHead:
    case NodeKind::GroupTail:
    case NodeKind::GroupLoopPrologue:
      return group(n, p);
    case NodeKind::GroupLoop:
      return loop(static_cast<const rx::GroupLoopNode<Char>*>(n), p);
    case NodeKind::Char:
      return p < L && s[p] == static_cast<const rx::CharNode<Char>*>(n)->ch ? next(n, p + 1) : -1;
    case NodeKind::CIChar:
      return p < L && T::fold(s[p]) == static_cast<const rx::CharNode<Char>*>(n)->ch ? next(n, p + 1) : -1;
    case NodeKind::Class:
    case NodeKind::CIClass:
      return classRule(static_cast<const rx::ClassNode<Char>*>(n), p);
    case NodeKind::Quote:
    case NodeKind::CIQuote:
      return quote(static_cast<const rx::QuoteNode<Char>*>(n), p);
    case NodeKind::LookBehind:
      return lookBehind(static_cast<const rx::LookBehindNode<Char>*>(n), p);
    case NodeKind::StartOfInput:
      return p == 0 ? next(n, p) : -1;
    case NodeKind::EndOfInput:
      return endOfInput(static_cast<const rx::EndOfInputNode<Char>*>(n), p);
    case NodeKind::StartOfLine:
      return p == 0 || terminator(s[p - 1]) ? next(n, p) : -1;
    case NodeKind::EndOfLine:
      return p >= L || terminator(s[p]) ? next(n, p) : -1;
    case NodeKind::EndOfMatch:
      return p == st_.previousEnd ? next(n, p) : -1;
    case NodeKind::WordBoundary: {
      if (p >= L) return next(n, p);
      bool boundary = (p > 0 && isLetter(s[p - 1])) != isLetter(s[p]);
      return boundary == static_cast<const rx::WordBoundaryNode<Char>*>(n)->pos ? next(n, p) : -1;
    }
    case NodeKind::Reference:
      return reference(static_cast<const rx::ReferenceNode<Char>*>(n), p);
  }
  return -1;
}

template <class Char>
int Reference<Char>::classRule(const rx::ClassNode<Char>* c, int p) {
  if (p >= st_.length) return -1;
  Char ch = c->kind == NodeKind::CIClass ? T::fold(st_.text[p]) : st_.text[p];
  return c->set.contains(T::code(ch)) != c->inv ? next(c, p + 1) : -1;
}

template <class Char>
int Reference<Char>::quote(const rx::QuoteNode<Char>* q, int p) {
  const auto& s = q->str;
  int len = static_cast<int>(s.size());
  if (p + len > st_.length) return -1;
  for (int i = 0; i < len; ++i) {
    Char c = st_.text[p + i];
    bool same = q->kind == NodeKind::Quote ? c == s[i] : T::fold(c) == T::fold(s[i]);
    if (!same) return -1;
  }
  return next(q, p + len);
}

template <class Char>
int Reference<Char>::lookBehind(const rx::LookBehindNode<Char>* b, int p) {
  int len = static_cast<int>(b->str.size());
  if (p < len) return b->pos ? -1 : next(b, p);
  bool same = std::basic_string<Char>(st_.text + p - len, static_cast<size_t>(len)) == b->str;
  return same == b->pos ? next(b, p) : -1;
}

template <class Char>
int Reference<Char>::endOfInput(const rx::EndOfInputNode<Char>* n, int p) {
  std::basic_string<Char> rest(st_.text + p, static_cast<size_t>(st_.length - p));
  bool ok = p == st_.length;
  if (n->term) {
    ok = ok || rest == std::basic_string<Char>(1, '\r') || rest == std::basic_string<Char>(1, '\n');
    ok = ok || (rest.size() == 2 && rest[0] == static_cast<Char>('\r') && rest[1] == static_cast<Char>('\n'));
  }
  return ok ? next(n, p) : -1;
}

template <class Char>
int Reference<Char>::reference(const rx::ReferenceNode<Char>* n, int p) {
  int gi = n->gi;
  if (gi <= 0 || gi >= st_.groupCount) return next(n, p);
  int a = st_.starts[gi], e = st_.ends[gi], len = e - a;
  if (a < 0 || len <= 0) return next(n, p);
  if (p + len > st_.length) return -1;
  for (int i = 0; i < len; ++i) {
    if (st_.text[p + i] != st_.text[a + i]) return -1;
  }
  return next(n, p + len);
}

template <class Char>
int Reference<Char>::group(const N* n, int p) {
  if (n->kind == NodeKind::GroupLoopPrologue) {
    int g = static_cast<const rx::GroupLoopPrologueNode<Char>*>(n)->gi;
    int c = st_.loopCounts[g], m = st_.possessiveMarks[g], i = st_.iterationStarts[g];
    st_.loopCounts[g] = 0;
    st_.possessiveMarks[g] = 0;
    st_.iterationStarts[g] = -1;
    int r = next(n, p);
    if (r < 0) {
      st_.loopCounts[g] = c;
      st_.possessiveMarks[g] = m;
      st_.iterationStarts[g] = i;
    }
    return r;
  }
  bool head = n->kind == NodeKind::GroupHead;
  int g = head ? static_cast<const rx::GroupHeadNode<Char>*>(n)->gi
               : static_cast<const rx::GroupTailNode<Char>*>(n)->gi;
  int* slot = head ? &st_.starts[g] : &st_.ends[g];
  int saved = *slot;
  *slot = p;
  int r = next(n, p);
  if (r < 0) *slot = saved;
  return r;
}

template <class Char>
int Reference<Char>::iterate(const rx::GroupLoopNode<Char>* n, int p) {
  int g = n->gi;
  int saved = st_.iterationStarts[g];
  st_.iterationStarts[g] = p;
  st_.loopCounts[g] += 1;
  int r = call(n->inner, p);
  if (r < 0) {
    st_.loopCounts[g] -= 1;
    st_.iterationStarts[g] = saved;
  }
  return r;
}

template <class Char>
int Reference<Char>::loop(const rx::GroupLoopNode<Char>* n, int p) {
  int g = n->gi;
  if (st_.iterationStarts[g] >= p) return next(n, p);
  if (st_.loopCounts[g] < n->min) return iterate(n, p);
  if (st_.loopCounts[g] >= n->max) return next(n, p);
  if (n->type == rx::kGreedy) {
    int r = iterate(n, p);
    return r >= 0 ? r : next(n, p);
  }
  if (n->type == rx::kLazy) {
    int r = next(n, p);
    return r >= 0 ? r : iterate(n, p);
  }
  st_.possessiveMarks[g] = st_.loopCounts[g];
  int r = iterate(n, p);
  if (r >= 0) return r;
  return st_.loopCounts[g] == st_.possessiveMarks[g] ? next(n, p) : -1;
}

template <class Char>
int Reference<Char>::quantifier(const rx::QuantifierNode<Char>* q, int p) {
  if (q->kind == NodeKind::PossessiveQuantifier) return possessive(q, p);
  for (int i = 0; i < q->min; ++i) {
    int e = call(q->inner, p);
    if (e == -1) return -1;
    if (e == p) break;
    p = e;
  }
  if (q->kind == NodeKind::GreedyQuantifier) return greedyStep(q, p, q->min);
  for (int count = q->min; count < q->max; ++count) {
    int r = next(q, p);
    if (r != -1) return r;
    int e = call(q->inner, p);
    if (e <= p) return -1;
    p = e;
  }
  return next(q, p);
}

template <class Char>
int Reference<Char>::greedyStep(const rx::QuantifierNode<Char>* q, int p, int count) {
  if (count >= q->max) return next(q, p);
  int e = call(q->inner, p);
  if (e == -1 || e == p) return next(q, p);
  int r = greedyStep(q, e, count + 1);
  return r != -1 ? r : next(q, p);
}

// Restores what the inner sub-graph set when the node fails afterwards.
template <class Char>
int Reference<Char>::possessive(const rx::QuantifierNode<Char>* q, int p) {
  size_t saved = st_.pushGroups();
  int r = -1;
  bool met = true;
  for (int i = 0; i < q->min; ++i) {
    int e = call(q->inner, p);
    if (e == -1) met = false;
    if (e <= p) break;
    p = e;
  }
  if (met) {
    int count = q->min;
    while (count < q->max) {
      int e = call(q->inner, p);
      ++count;
      if (e <= p) break;
      p = e;
    }
    r = next(q, p);
  }
  if (r == -1) st_.restoreGroups(saved);
  st_.popGroups(saved);
  return r;
}

template <class Char>
int Reference<Char>::lookAhead(const rx::LookAheadNode<Char>* n, int p) {
  size_t saved = st_.pushGroups();
  int r = call(n->inner, p);
  if (n->pos ? r == -1 : r != -1) {
    st_.restoreGroups(saved);
    st_.popGroups(saved);
    return -1;
  }
  r = next(n, p);
  if (r == -1) st_.restoreGroups(saved);
  st_.popGroups(saved);
  return r;
}

template <class Char>
int Reference<Char>::start(const N* n, int p) {
  st_.starts[0] = p;
  if (st_.wholeMode) {
    if (p == 0) return next(n, 0);
    st_.starts[0] = -1;
    return -1;
  }
  for (;;) {
    int r = next(n, p);
    if (r != -1 || p >= st_.length) {
      if (r < 0) st_.starts[0] = -1;
      return r;
    }
    st_.clearGroups();
    ++p;
    st_.starts[0] = p;
  }
}

std::vector<Span> groupSpans(int groupCount, const int* starts, const int* ends) {
  std::vector<Span> spans;
  spans.reserve(static_cast<std::size_t>(groupCount > 0 ? groupCount : 0));
  for (int i = 0; i < groupCount; ++i) spans.emplace_back(starts[i], ends[i]);
  return spans;
}

}  // namespace

std::string describe(const Outcome& o) {
  std::string s = o.whole ? "whole " : "not whole ";
  for (const Span& g : o.groups) s += "[" + std::to_string(g.first) + "," + std::to_string(g.second) + "]";
  s += " finds ";
  for (const Span& f : o.finds) s += "[" + std::to_string(f.first) + "," + std::to_string(f.second) + "]";
  if (!o.findGroups.empty()) s += " their groups ";
  for (const Span& g : o.findGroups)
    s += "[" + std::to_string(g.first) + "," + std::to_string(g.second) + "]";
  return s + (o.limit ? " limit" : "");
}

template <class Char>
Outcome engineOutcome(BasicPattern<Char>& pattern, const std::basic_string<Char>& subject, int maxFinds) {
  Outcome o;
  std::unique_ptr<BasicPatternMatcher<Char>> m = pattern.newMatcher(subject);
  o.whole = m->matchWhole();
  o.limit = m->limitExceeded();
  for (int i = 0; o.whole && i < pattern.groupCount(); ++i)
    o.groups.emplace_back(m->groupStart(i), m->groupEnd(i));
  m->rewind();
  for (int n = 0; n < maxFinds && m->findNext(); ++n) {
    o.finds.emplace_back(m->groupStart(0), m->groupEnd(0));
    for (int i = 1; i < pattern.groupCount(); ++i)
      o.findGroups.emplace_back(m->groupStart(i), m->groupEnd(i));
  }
  o.limit = o.limit || m->limitExceeded();
  return o;
}

template <class Char>
Outcome referenceOutcome(const rx::Graph<Char>& graph, const std::basic_string<Char>& subject, int maxFinds) {
  Outcome o;
  Reference<Char> whole(graph, subject);
  o.whole = whole.matchWhole();
  if (o.whole) o.groups = groupSpans(graph.groupCount, whole.state().starts, whole.state().ends);
  Reference<Char> finder(graph, subject);
  for (int n = 0; n < maxFinds && finder.findNext(); ++n) {
    o.finds.emplace_back(finder.state().starts[0], finder.state().ends[0]);
    for (int i = 1; i < graph.groupCount; ++i)
      o.findGroups.emplace_back(finder.state().starts[i], finder.state().ends[i]);
  }
  o.limit = whole.gaveUp() || finder.gaveUp();
  return o;
}

template Outcome engineOutcome<char>(Pattern&, const std::string&, int);
template Outcome engineOutcome<wchar_t>(WidePattern&, const std::wstring&, int);
template Outcome referenceOutcome<char>(const rx::Graph<char>&, const std::string&, int);
template Outcome referenceOutcome<wchar_t>(const rx::Graph<wchar_t>&, const std::wstring&, int);

}  // namespace rxtest
