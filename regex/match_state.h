// The state one match attempt reads and writes: group positions, loop
// bookkeeping and the mode, held by the matcher and handed to every node.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rx {

// Matching is recursive: every node hands on to the next by a call, and each
// group-loop iteration nests deeper. These bounds keep any subject and any
// pattern from exhausting the stack or running without end; an attempt that
// reaches one fails as a non-match and says so.
constexpr int kMaxMatchDepth = 10000;
constexpr int64_t kMinStepBudget = 10000000;
constexpr int64_t kStepsPerCharacter = 100;
// For a pattern the automaton can answer, the backtracker gets a much
// smaller budget: enough for the lines it answers fastest, and the
// automaton answers, in linear time, where it would run out.
constexpr int64_t kHandoverMinSteps = 4096;
constexpr int64_t kHandoverStepsPerCharacter = 16;

template <class Char>
struct MatchState {
  MatchState() = default;
  MatchState(const MatchState&) = delete;
  MatchState& operator=(const MatchState&) = delete;

  const Char* text = nullptr;
  int length = 0;
  int groupCount = 0;    // capturing groups, the whole match included
  int nonCapturing = 0;  // non-capturing groups, indexed -1 .. -nonCapturing
  // Five arrays of groupCount + nonCapturing entries, each reached through a
  // pointer offset so that negative group indexes work directly.
  int* starts = nullptr;
  int* ends = nullptr;
  int* loopCounts = nullptr;
  int* iterationStarts = nullptr;
  int* possessiveMarks = nullptr;
  bool wholeMode = false;
  // A search that tries its first start only: the automaton found the
  // match there and the backtracker is asked for its groups.
  bool anchoredSearch = false;
  int previousEnd = 0;

  // Work done by the current matchWhole, findFirst or findNext call.
  int64_t steps = 0;
  int64_t stepBudget = kMinStepBudget;
  int depth = 0;
  bool stopped = false;  // a bound was reached: everything fails from here on

  // `handover`: an automaton answers if this budget runs out.
  void beginCall(bool handover) {
    steps = 0;
    depth = 0;
    stopped = false;
    int64_t n = length;
    stepBudget = handover ? kHandoverMinSteps + kHandoverStepsPerCharacter * n
                          : std::max(kMinStepBudget, kStepsPerCharacter * n);
  }
  // Accounts for n steps; false (and stopped) once the budget is spent.
  bool charge(int64_t n) {
    steps += n;
    if (steps > stepBudget) stopped = true;
    return !stopped;
  }

  void resize(int groups, int nonCapturingGroups) {
    groupCount = groups;
    nonCapturing = nonCapturingGroups;
    size_t span = static_cast<size_t>(groups) + static_cast<size_t>(nonCapturingGroups);
    // Patterns with few groups keep their arrays inline: no allocation per matcher.
    if (span * 5 <= kInlineInts) {
      storage = inlineStorage;
    } else {
      heapStorage.assign(span * 5, 0);
      storage = heapStorage.data();
    }
    std::fill(storage, storage + span * 5, 0);
    int* base = storage + nonCapturingGroups;
    starts = base;
    ends = base + span;
    loopCounts = base + 2 * span;
    iterationStarts = base + 3 * span;
    possessiveMarks = base + 4 * span;
  }

  void clearGroups() {
    previousEnd = 0;
    for (int i = 0; i < groupCount; ++i) starts[i] = ends[i] = loopCounts[i] = -1;
    for (int i = 1; i <= nonCapturing; ++i) loopCounts[-i] = -1;
  }

  // The group starts and ends, which a look-ahead or an atomic group puts
  // back when it fails after its content matched. Loop bookkeeping is not
  // part of it: possessive loops rely on their marks surviving a failure.
  // They go on a stack the state keeps, so that a match allocates nothing
  // once the stack has grown to the pattern's nesting; the node that pushes
  // pops again before it returns.
  size_t pushGroups() {
    size_t mark = savedGroups.size();
    savedGroups.insert(savedGroups.end(), storage, storage + 2 * span());
    return mark;
  }
  void restoreGroups(size_t mark) {
    std::copy(savedGroups.begin() + static_cast<std::ptrdiff_t>(mark),
              savedGroups.begin() + static_cast<std::ptrdiff_t>(mark) + 2 * span(), storage);
  }
  void popGroups(size_t mark) { savedGroups.resize(mark); }

 private:
  std::ptrdiff_t span() const { return static_cast<std::ptrdiff_t>(groupCount) + nonCapturing; }

  static constexpr size_t kInlineInts = 40;
  int inlineStorage[kInlineInts];
  std::vector<int> heapStorage;
  int* storage = inlineStorage;
  std::vector<int> savedGroups;
};

}  // namespace rx
