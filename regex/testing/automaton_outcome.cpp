// Whole match and successive finds with the automaton alone.
#include "regex/testing/automaton_outcome.h"

#include <memory>

#include "regex/automaton.h"

namespace rxtest {

template <class Char>
bool automatonOutcome(const rx::Graph<Char>& graph, const std::basic_string<Char>& subject, int maxFinds,
                      Outcome* out) {
  std::unique_ptr<rx::Automaton<Char>> automaton = rx::Automaton<Char>::build(graph);
  if (!automaton) return false;
  rx::AutomatonScratch<Char> scratch(*automaton);
  rx::MatchState<Char> st;
  st.resize(graph.groupCount, graph.nonCapturing);
  st.text = subject.data();
  st.length = static_cast<int>(subject.size());
  Outcome o;
  st.wholeMode = true;
  st.clearGroups();
  o.whole = automaton->run(st, 0, scratch) == st.length;
  for (int i = 0; o.whole && i < graph.groupCount; ++i) o.groups.emplace_back(st.starts[i], st.ends[i]);
  // The matcher's find rule: after an empty match one character further, and
  // no search from the end of the subject after a match.
  st.wholeMode = false;
  for (int from = 0; static_cast<int>(o.finds.size()) < maxFinds;) {
    st.clearGroups();
    st.previousEnd = from;
    int end = automaton->run(st, from, scratch);
    if (end < 0) break;
    o.finds.emplace_back(st.starts[0], end);
    for (int i = 1; i < graph.groupCount; ++i) o.findGroups.emplace_back(st.starts[i], st.ends[i]);
    from = st.starts[0] == end ? end + 1 : end;
    if (from >= st.length) break;
  }
  *out = o;
  return true;
}

template bool automatonOutcome<char>(const rx::Graph<char>&, const std::string&, int, Outcome*);
template bool automatonOutcome<wchar_t>(const rx::Graph<wchar_t>&, const std::wstring&, int, Outcome*);

}  // namespace rxtest
