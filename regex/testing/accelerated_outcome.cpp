// Whole match and successive finds with one of the faster matchers alone.
#include "regex/testing/accelerated_outcome.h"

namespace rxtest {

template <class Char>
Accelerated<Char>::Accelerated(const rx::Graph<Char>& graph, Fast which)
    : graph_(graph), which_(which), automaton_(rx::Automaton<Char>::build(graph)) {
  if (!automaton_) return;
  typename rx::Accelerators<Char>::Parts parts;
  parts.onePass = which == Fast::OnePass;
  parts.literal = which != Fast::DfaNoLiteral;
  fast_ = std::make_unique<rx::Accelerators<Char>>(graph, *automaton_, parts);
  scratch_ = std::make_unique<rx::AutomatonScratch<Char>>(*automaton_);
}

template <class Char>
Accelerated<Char>::~Accelerated() = default;

template <class Char>
bool Accelerated<Char>::outcome(const std::basic_string<Char>& subject, int maxFinds, Outcome* out) {
  if (!usable()) return false;
  rx::MatchState<Char> st;
  st.resize(graph_.groupCount, graph_.nonCapturing);
  st.text = subject.data();
  st.length = static_cast<int>(subject.size());
  Outcome o;
  if (!whole(st, &o) || !finds(st, maxFinds, &o)) return false;
  *out = o;
  return true;
}

// One-pass: its own whole match. DFAs: whether it matches, then the groups
// from the Pike VM.
template <class Char>
bool Accelerated<Char>::whole(rx::MatchState<Char>& st, Outcome* o) {
  st.wholeMode = true;
  st.clearGroups();
  if (which_ == Fast::OnePass) {
    o->whole = fast_->onePass()->run(st, 0) == st.length;
  } else {
    int w = fast_->wholeMatches(st.text, st.length);
    if (w == rx::Accelerators<Char>::kGaveUp) return false;
    o->whole = w == 1 && automaton_->run(st, 0, *scratch_) == st.length;
  }
  for (int i = 0; o->whole && i < graph_.groupCount; ++i) o->groups.emplace_back(st.starts[i], st.ends[i]);
  return true;
}

// The matcher's find rule: after an empty match one character further, and
// no search from the end of the subject after a match.
template <class Char>
bool Accelerated<Char>::finds(rx::MatchState<Char>& st, int maxFinds, Outcome* o) {
  st.wholeMode = false;
  for (int from = 0; static_cast<int>(o->finds.size()) < maxFinds;) {
    st.clearGroups();
    st.previousEnd = from;
    int start = -1;
    int end = find(st, from, &start);
    if (end == rx::Accelerators<Char>::kGaveUp) return false;
    if (end < 0) break;
    o->finds.emplace_back(start, end);
    for (int i = 1; i < graph_.groupCount; ++i) o->findGroups.emplace_back(st.starts[i], st.ends[i]);
    from = start == end ? end + 1 : end;
    if (from >= st.length) break;
  }
  return true;
}

// One-pass: the anchored try at each start in turn, as the start node tries
// them. DFAs: the located span, the groups from the Pike VM run from its
// start.
template <class Char>
int Accelerated<Char>::find(rx::MatchState<Char>& st, int from, int* start) {
  if (which_ == Fast::OnePass) {
    for (int q = from; q <= st.length; ++q) {
      int end = fast_->onePass()->run(st, q);
      if (end >= 0) {
        *start = q;
        return end;
      }
    }
    return -1;
  }
  int end = fast_->locate(st.text, st.length, from, start);
  if (end >= 0 && graph_.groupCount > 1) automaton_->run(st, *start, *scratch_);
  return end;
}

template class Accelerated<char>;
template class Accelerated<wchar_t>;

}  // namespace rxtest
