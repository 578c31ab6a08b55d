// Which matcher answers a match call of a pattern: the backtracker, on a
// small budget where the automaton can take over, and the automaton (a Pike
// VM) where that budget runs out.
#include <climits>

#include "regex/automaton.h"
#include "regex/pattern.h"

// The backtracker first; for a pattern the automaton fits, on a small
// budget, and the automaton answers where that budget runs out. When the
// backtracker gives up it leaves the groups cleared and previousEnd at 0,
// which the automaton does not read: it takes no pattern with \G.
//
// A search the automaton takes over first only locates the match, which
// needs no group slots; the groups then come from the backtracker run from
// that start alone, or, should it give up again, from the automaton's full
// run from there.
template <class Char>
int BasicPattern<Char>::run(rx::MatchState<Char>& st, int from,
                            std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const {
  const bool handover = !backtrackerAlone();
  st.beginCall(handover);
  if (st.length < 0) {
    st.stopped = true;
    return -1;
  }
  int r = graph_.head->match(st, from);
  if (!st.stopped || !handover) return r;
  const rx::Automaton<Char>* automaton = this->automaton();
  if (!automaton) {
    // Too large a program after all: the backtracker on its full budget.
    st.beginCall(false);
    return graph_.head->match(st, from);
  }
  if (!scratch) scratch = std::make_unique<rx::AutomatonScratch<Char>>(*automaton);
  st.stopped = false;
  if (st.wholeMode) return automaton->run(st, from, *scratch);
  int end = automaton->locate(st, from, *scratch);
  if (end < 0 || graph_.groupCount == 1) return end;
  int start = st.starts[0];
  st.beginCall(true);
  st.anchoredSearch = true;
  r = graph_.head->match(st, start);
  st.anchoredSearch = false;
  if (!st.stopped) return r;
  st.stopped = false;
  return automaton->run(st, start, *scratch);
}

// No copy of the subject and no matcher: the built-in matcher's groups are
// never read after a whole match.
template <class Char>
bool BasicPattern<Char>::wholeOnly(const String& subject) {
  rx::MatchState<Char>& st = wholeState_;
  if (st.groupCount != graph_.groupCount) st.resize(graph_.groupCount, graph_.nonCapturing);
  st.text = subject.data();
  st.length = subject.size() < static_cast<size_t>(INT_MAX) ? static_cast<int>(subject.size()) : -1;
  st.wholeMode = true;
  st.clearGroups();
  int r = run(st, 0, wholeScratch_);
  st.text = nullptr;
  return r >= 0 && r == st.length;
}

template <class Char>
using Scratch = std::unique_ptr<rx::AutomatonScratch<Char>>;

template int BasicPattern<char>::run(rx::MatchState<char>&, int, Scratch<char>&) const;
template int BasicPattern<wchar_t>::run(rx::MatchState<wchar_t>&, int, Scratch<wchar_t>&) const;
template bool BasicPattern<char>::wholeOnly(const std::string&);
template bool BasicPattern<wchar_t>::wholeOnly(const std::wstring&);
