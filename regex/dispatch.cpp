// Which matcher answers a match call of a pattern: the faster matchers
// built from the automaton once the pattern has earned them
// (regex/accelerators.h), else the backtracker, on a small budget where
// the automaton can take over, and the automaton (a Pike VM) where that
// budget runs out.
#include <climits>

#include "regex/accelerators.h"
#include "regex/automaton.h"
#include "regex/pattern.h"

namespace {

constexpr int kGaveUp = rx::Accelerators<char>::kGaveUp;

// The groups a failed call leaves, as the start and end nodes leave them.
template <class Char>
int failed(rx::MatchState<Char>& st, int from) {
  if (st.wholeMode) {
    st.starts[0] = 0;
    st.ends[0] = -1;
  } else {
    if (from < st.length) st.clearGroups();
    st.starts[0] = -1;
  }
  return -1;
}

}  // namespace

template <class Char>
const rx::Accelerators<Char>* BasicPattern<Char>::acceleratorsFor(int length) const {
  const rx::Accelerators<Char>* fast = accelerators_.load(std::memory_order_acquire);
  if (fast || backtrackerAlone() || length < 0) return fast;
  if (length <= kAcceleratorLength) {
    int uses = uses_.load(std::memory_order_relaxed) + 1;
    uses_.store(uses, std::memory_order_relaxed);
    if (uses < kAcceleratorUses) return nullptr;
  }
  return acceleratorsNow();
}

template <class Char>
const rx::Accelerators<Char>* BasicPattern<Char>::acceleratorsNow() const {
  std::call_once(acceleratorsOnce_, [this] {
    if (const rx::Automaton<Char>* automaton = this->automaton()) {
      acceleratorsOwned_ = std::make_unique<rx::Accelerators<Char>>(graph_, *automaton);
      accelerators_.store(acceleratorsOwned_.get(), std::memory_order_release);
    }
  });
  return accelerators_.load(std::memory_order_acquire);
}

template <class Char>
int BasicPattern<Char>::run(rx::MatchState<Char>& st, int from,
                            std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const {
  if (st.length < 0) {
    st.beginCall(false);
    st.stopped = true;
    return -1;
  }
  const rx::Accelerators<Char>* fast = acceleratorsFor(st.length);
  if (fast && (!st.wholeMode || fast->wholeMatcher())) {
    st.beginCall(true);
    int r = runAccelerated(*fast, st, from, scratch);
    if (r != kGaveUp) return r;
  }
  return runBacktracker(st, from, scratch, fast);
}

// A whole match is theirs when the one-pass matcher takes it (see
// Accelerators::wholeMatcher); elsewhere the backtracker is the faster, and
// the whole-match DFA stands behind it. A search they locate, and the
// groups come from its start.
template <class Char>
int BasicPattern<Char>::runAccelerated(const rx::Accelerators<Char>& fast, rx::MatchState<Char>& st, int from,
                                       std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const {
  const rx::OnePass<Char>* one = fast.onePass();
  if (st.wholeMode) return fast.wholeMatcher()->run(st, 0) < 0 ? failed(st, from) : st.length;
  int start = -1;
  int end = fast.locate(st.text, st.length, from, &start);
  if (end == kGaveUp) return kGaveUp;
  if (end < 0) return failed(st, from);
  st.starts[0] = start;
  st.ends[0] = end;
  if (graph_.groupCount == 1) return end;
  return one ? one->run(st, start) : groupsFrom(st, start, scratch);
}

// The backtracker first; for a pattern the automaton fits, on a small
// budget, and the automaton answers where that budget runs out. When the
// backtracker gives up it leaves the groups cleared and previousEnd at 0,
// which the automaton does not read: it takes no pattern with \G.
//
// A search the automaton takes over first only locates the match, which
// needs no group slots; the groups then come from that start alone. A
// whole match the budget runs out on is first ruled out, when it fails, by
// the whole-match DFA, once there is one.
template <class Char>
int BasicPattern<Char>::runBacktracker(rx::MatchState<Char>& st, int from,
                                       std::unique_ptr<rx::AutomatonScratch<Char>>& scratch,
                                       const rx::Accelerators<Char>* fast) const {
  const bool handover = !backtrackerAlone();
  st.beginCall(handover);
  int r = graph_.head->match(st, from);
  if (!st.stopped || !handover) return r;
  const rx::Automaton<Char>* automaton = this->automaton();
  if (!automaton) {
    // Too large a program after all: the backtracker on its full budget.
    st.beginCall(false);
    return graph_.head->match(st, from);
  }
  st.stopped = false;
  if (st.wholeMode && fast && fast->wholeMatches(st.text, st.length) == 0) return -1;
  if (!scratch) scratch = std::make_unique<rx::AutomatonScratch<Char>>(*automaton);
  if (st.wholeMode) return automaton->run(st, from, *scratch);
  int end = automaton->locate(st, from, *scratch);
  if (end < 0 || graph_.groupCount == 1) return end;
  return groupsFrom(st, st.starts[0], scratch);
}

template <class Char>
int BasicPattern<Char>::groupsFrom(rx::MatchState<Char>& st, int start,
                                   std::unique_ptr<rx::AutomatonScratch<Char>>& scratch) const {
  st.beginCall(true);
  st.anchoredSearch = true;
  int r = graph_.head->match(st, start);
  st.anchoredSearch = false;
  if (!st.stopped) return r;
  st.stopped = false;
  if (!scratch) scratch = std::make_unique<rx::AutomatonScratch<Char>>(*automaton());
  return automaton()->run(st, start, *scratch);
}

// No copy of the subject and no matcher: the built-in matcher's groups are
// never read after a whole match.
template <class Char>
bool BasicPattern<Char>::wholeOnly(const String& subject) {
  const int length = subject.size() < static_cast<size_t>(INT_MAX) ? static_cast<int>(subject.size()) : -1;
  const rx::Accelerators<Char>* fast = length < 0 ? nullptr : acceleratorsFor(length);
  if (fast && fast->wholeMatcher()) return fast->wholeMatcher()->end(subject.data(), length, 0, true) >= 0;
  rx::MatchState<Char>& st = wholeState_;
  if (st.groupCount != graph_.groupCount) st.resize(graph_.groupCount, graph_.nonCapturing);
  st.text = subject.data();
  st.length = length;
  st.wholeMode = true;
  st.clearGroups();
  int r = length < 0 ? -1 : runBacktracker(st, 0, wholeScratch_, fast);
  st.text = nullptr;
  return r >= 0 && r == st.length;
}

template <class Char>
using Scratch = std::unique_ptr<rx::AutomatonScratch<Char>>;

template int BasicPattern<char>::run(rx::MatchState<char>&, int, Scratch<char>&) const;
template int BasicPattern<wchar_t>::run(rx::MatchState<wchar_t>&, int, Scratch<wchar_t>&) const;
template bool BasicPattern<char>::wholeOnly(const std::string&);
template bool BasicPattern<wchar_t>::wholeOnly(const std::wstring&);
template const rx::Accelerators<char>* BasicPattern<char>::acceleratorsFor(int) const;
template const rx::Accelerators<wchar_t>* BasicPattern<wchar_t>::acceleratorsFor(int) const;
template const rx::Accelerators<char>* BasicPattern<char>::acceleratorsNow() const;
template const rx::Accelerators<wchar_t>* BasicPattern<wchar_t>::acceleratorsNow() const;
