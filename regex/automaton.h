// The automaton matcher: a Pike VM with capture slots over a program built
// from a compiled graph, which answers in time linear in the subject and in
// memory fixed by the pattern.
//
// Why a Pike VM: it runs the alternatives of the graph as threads kept in
// the backtracker's own order of preference, so leftmost-first alternation,
// greedy and lazy choices and every group value come out exactly as the
// backtracker gives them, with the group positions carried in each thread.
// A DFA answers where a match ends (and, scanning back, where it begins)
// but not its groups, and a one-pass matcher takes only the patterns
// without a choice to make; both are built from this program once a
// pattern has been used enough (regex/accelerators.h says which matcher
// answers what), and both give the Pike VM's answers.
//
// What it takes (anything else stays with the backtracker):
// - characters, classes and quoted text, plain or case-insensitive;
// - the line and input anchors and \b/\B, which test the position only;
// - alternation and capturing and non-capturing groups;
// - greedy and lazy quantifiers over one character, class or quoted text,
//   unrolled up to their maximum (or into a loop when it is unbounded);
// - greedy and lazy group loops of minimum 0 or 1 and maximum 0, 1 or
//   unbounded (*, +, ?, {0,1}, {1,} and the like): their count never needs
//   to be known beyond "at least one", so a thread needs no counter;
// - (?flags), which stands in the graph as an empty look-behind.
// Left to the backtracker: back-references, look-ahead, non-empty
// look-behind, atomic groups, possessive quantifiers and group loops, \G,
// quantifiers over anchors, group loops with other counts, and programs
// larger than the fixed bound.
//
// The group-loop rules live in the program's points rather than in the
// threads: a point is a node together with which enclosing loops are in an
// iteration that has consumed nothing yet, and each loop has an entry and a
// return (from its group's tail) of its own. The return of an iteration that
// consumed nothing ends the loop. Two threads at one point and position thus
// have the same future, so keeping only the first, as a Pike VM does, keeps
// the backtracker's answer. Nested loops multiply the points; the program's
// size bound sends deep nests to the backtracker.
//
// How the matcher uses it, until the faster matchers are built and where
// they leave a call: the backtracker answers first, on a small step budget,
// since on the short lines it is given it is the faster of the two; where
// that budget runs out the automaton answers in its place. A whole match is
// then one run with every slot. A search is first located with the group-0
// slots only, skipping the starts the pattern's first characters rule out
// while no thread is alive; the other groups then come from the backtracker
// run from the located start alone, or from the automaton's full run from
// there should that give up too. The program is built on the first match
// that needs it, never when the pattern is compiled.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "regex/match_state.h"
#include "regex/nodes.h"

namespace rx {

template <class Char>
class AutomatonScratch;
template <class Char>
class AutomatonBuilder;

template <class Char>
class Automaton {
 public:
  // True when every node of the graph is one the automaton answers for.
  static bool accepts(const Graph<Char>& graph);
  // Null when the graph is not accepted (graph.automatonFits, set after
  // compiling) or its program would be too large.
  static std::unique_ptr<Automaton> build(const Graph<Char>& graph);

  // One attempt as the start node makes it: in whole-match mode at 0 only,
  // else a search from `from` to the end. Returns the match end, or -1; on
  // success the group starts and ends of `st` hold the match.
  int run(MatchState<Char>& st, int from, AutomatonScratch<Char>& scratch) const;
  // The same run keeping the whole match only: it finds where the match
  // starts and ends, in group 0, and leaves the other groups alone. Cheaper
  // by the slots it does not carry.
  int locate(MatchState<Char>& st, int from, AutomatonScratch<Char>& scratch) const;

  enum class Op { Character, CIChar, Class, Assert, Split, Jump, Save, Match };
  struct Inst {
    Op op = Op::Jump;
    int next = -1;                     // the instruction that follows
    int alt = -1;                      // Split: the second choice
    int slot = 0;                      // Save
    Char ch = Char();                  // Character, CIChar (folded)
    const Node<Char>* node = nullptr;  // Class: the class node; Assert: the anchor node
  };

  const std::vector<Inst>& program() const { return program_; }
  int slotCount() const { return slots_; }
  // The instruction a match begins at.
  int start() const { return start_; }
  // The start node's own instruction, a jump to start(): unlike start(),
  // nothing else in the program leads to it, so a way back through the
  // program that reaches it has found where a match begins.
  int entry() const { return entry_; }
  // The instruction of a character node at the point where no loop
  // iteration is open, -1 when it has none. A node outside every loop has
  // that point only.
  int pcOf(const Node<Char>* n) const {
    auto it = plainPcs_.find(n);
    return it == plainPcs_.end() ? -1 : it->second;
  }

 private:
  friend class AutomatonScratch<Char>;
  template <class C>
  friend class AutomatonBuilder;

  int runWith(MatchState<Char>& st, int from, AutomatonScratch<Char>& scratch, int slots) const;

  std::vector<Inst> program_;
  std::unordered_map<const Node<Char>*, int> plainPcs_;
  int start_ = 0;
  int entry_ = 0;
  const StartNode<Char>* head_ = nullptr;  // its start positions worth trying
  int slots_ = 0;                          // two per capturing group
};

// What one matcher needs to run an automaton: two thread lists and their
// slots, sized once from the program and reused for every match.
template <class Char>
class AutomatonScratch {
 public:
  explicit AutomatonScratch(const Automaton<Char>& automaton);

 private:
  friend class Automaton<Char>;

  // The threads at one position, in order of preference: the program points
  // visited (each once) and, for those that consume or match, their slots.
  struct List {
    std::vector<int> sparse;  // program point -> index in dense
    std::vector<int> dense;   // program points, in order of insertion
    std::vector<int> slots;   // slots of dense[i] at i * slotCount
    int size = 0;
    bool contains(int pc) const {
      int i = sparse[static_cast<size_t>(pc)];
      return i < size && dense[static_cast<size_t>(i)] == pc;
    }
  };
  // One step of the closure walk: follow pc, or (pc < 0) put a slot back.
  struct Frame {
    int pc;
    int slot;
    int value;
  };

  List lists_[2];
  std::vector<int> current_;  // the slots of the thread being followed
  std::vector<int> best_;     // the slots of the preferred match so far
  std::vector<Frame> stack_;
};

}  // namespace rx
