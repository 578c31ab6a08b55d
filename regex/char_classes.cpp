// Splitting the character codes into the classes an automaton's program
// tells apart.
#include "regex/char_classes.h"

#include <algorithm>

namespace rx {

namespace {

// One test a program makes of a character: equal to a code, a member of a
// class node's set, an ASCII letter, or a line terminator.
template <class Char>
struct Test {
  enum Kind { Equals, InClass, Letter, Terminator };
  Kind kind;
  uint32_t value;
  const ClassNode<Char>* node;
  bool operator()(uint32_t v) const {
    switch (kind) {
      case Equals:
        return v == value;
      case InClass:
        return node->set.contains(v) != node->inv;
      case Letter:
        return (v >= 'a' && v <= 'z') || (v >= 'A' && v <= 'Z');
      case Terminator:
        return v == '\n' || v == '\r';
    }
    return false;
  }
};

// Where the tests of a set change their answer above 255.
template <class Char>
void addCuts(const Test<Char>& t, std::vector<uint32_t>* cuts) {
  if (t.kind == Test<Char>::Equals && t.value >= 256) {
    cuts->push_back(t.value);
    if (t.value != UINT32_MAX) cuts->push_back(t.value + 1);
  } else if (t.kind == Test<Char>::InClass) {
    for (const auto& range : t.node->set.high()) {
      cuts->push_back(range.first);
      if (range.second != UINT32_MAX) cuts->push_back(range.second + 1);
    }
  }
}

}  // namespace

template <class Char>
int ClassMap<Char>::Partition::of(uint32_t v) const {
  if (v < 256) return low[v];
  auto it = std::upper_bound(bounds.begin(), bounds.end(), v);
  return ids[static_cast<size_t>(it - bounds.begin()) - 1];
}

// Characters with the same answers to every test share a class: each test
// splits the classes so far by its answer. A test of one code splits off
// that code alone, and the codes a class test can tell apart are those below
// 256 and the ranges between the cuts.
template <class Char>
template <class Test>
typename ClassMap<Char>::Partition ClassMap<Char>::partition(const std::vector<Test>& tests,
                                                             const std::vector<uint32_t>& cuts) {
  Partition part;
  std::vector<uint32_t> codes(256);
  for (uint32_t v = 0; v < 256; ++v) codes[v] = v;
  if (sizeof(Char) > 1) {
    part.bounds.push_back(256);
    for (uint32_t cut : cuts) {
      if (cut > 256) part.bounds.push_back(cut);
    }
    std::sort(part.bounds.begin(), part.bounds.end());
    part.bounds.erase(std::unique(part.bounds.begin(), part.bounds.end()), part.bounds.end());
    codes.insert(codes.end(), part.bounds.begin(), part.bounds.end());
  }
  std::vector<uint16_t> ids(codes.size(), 0);
  std::vector<int> sizes(1, static_cast<int>(codes.size()));
  std::vector<int> split;
  for (const Test& t : tests) {
    if (t.kind == Test::Equals) {
      // One code alone answers yes: it leaves its class, unless alone there.
      auto at = t.value < 256 ? codes.begin() + t.value
                              : std::lower_bound(codes.begin() + 256, codes.end(), t.value);
      if (at == codes.end() || *at != t.value) continue;
      uint16_t& id = ids[static_cast<size_t>(at - codes.begin())];
      if (sizes[id] == 1) continue;
      --sizes[id];
      id = static_cast<uint16_t>(sizes.size());
      sizes.push_back(1);
      continue;
    }
    split.assign(2 * sizes.size(), -1);
    std::vector<int> grown;
    for (size_t i = 0; i < codes.size(); ++i) {
      int& to = split[2 * ids[i] + (t(codes[i]) ? 1 : 0)];
      if (to < 0) {
        to = static_cast<int>(grown.size());
        grown.push_back(0);
      }
      ids[i] = static_cast<uint16_t>(to);
      ++grown[static_cast<size_t>(to)];
    }
    sizes = std::move(grown);
  }
  size_t count = sizes.size();
  part.reps.assign(count, 0);
  for (size_t i = codes.size(); i-- > 0;) part.reps[ids[i]] = codes[i];
  std::copy(ids.begin(), ids.begin() + 256, part.low);
  part.ids.assign(ids.begin() + 256, ids.end());
  return part;
}

template <class Char>
ClassMap<Char>::ClassMap(const Automaton<Char>& automaton) {
  using T = Test<Char>;
  using Op = typename Automaton<Char>::Op;
  std::vector<T> raw, folded;
  std::vector<uint32_t> rawCuts, foldedCuts;
  bool anchors = false;
  for (const Inst& in : automaton.program()) {
    if (in.op == Op::Assert) anchors = true;
    if (in.op != Op::Character && in.op != Op::CIChar && in.op != Op::Class) continue;
    T t{T::Equals, CharTraits<Char>::code(in.ch), nullptr};
    if (in.op == Op::Class) t = T{T::InClass, 0, static_cast<const ClassNode<Char>*>(in.node)};
    bool isFolded = in.op == Op::CIChar || (in.op == Op::Class && in.node->kind == NodeKind::CIClass);
    (isFolded ? folded : raw).push_back(t);
    addCuts(t, isFolded ? &foldedCuts : &rawCuts);
  }
  if (anchors) {
    raw.push_back(T{T::Letter, 0, nullptr});
    raw.push_back(T{T::Terminator, 0, nullptr});
  }
  raw_ = partition(raw, rawCuts);
  folded_ = partition(folded, foldedCuts);
  foldedCount_ = static_cast<int>(folded_.reps.size());
  count_ = static_cast<int>(raw_.reps.size()) * foldedCount_;
  for (uint32_t v = 0; v < 256; ++v) {
    int f = 0;
    if (foldedCount_ > 1)
      f = folded_.of(CharTraits<Char>::code(CharTraits<Char>::fold(CharTraits<Char>::fromCode(v))));
    low_[v] = static_cast<uint16_t>(raw_.low[v] * foldedCount_ + f);
  }
  T letter{T::Letter, 0, nullptr}, terminator{T::Terminator, 0, nullptr};
  for (int k = 0; k < count_; ++k) {
    uint32_t v = raw_.reps[static_cast<size_t>(k / foldedCount_)];
    sides_.push_back((letter(v) ? kLetter : 0u) | (terminator(v) ? kTerminator : 0u));
  }
}

// Below 256 the folding is the one in force when the map was built, as for
// the automaton's own case-insensitive characters; above, it is done at
// each lookup.
template <class Char>
int ClassMap<Char>::ofHigh(Char c) const {
  int r = raw_.of(CharTraits<Char>::code(c));
  if (foldedCount_ == 1) return r;
  return r * foldedCount_ + folded_.of(CharTraits<Char>::code(CharTraits<Char>::fold(c)));
}

template <class Char>
bool ClassMap<Char>::accepts(const Inst& in, int k) const {
  using Op = typename Automaton<Char>::Op;
  uint32_t raw = raw_.reps[static_cast<size_t>(k / foldedCount_)];
  uint32_t folded = folded_.reps[static_cast<size_t>(k % foldedCount_)];
  switch (in.op) {
    case Op::Character:
      return raw == CharTraits<Char>::code(in.ch);
    case Op::CIChar:
      return folded == CharTraits<Char>::code(in.ch);
    case Op::Class: {
      auto* node = static_cast<const ClassNode<Char>*>(in.node);
      return node->set.contains(node->kind == NodeKind::CIClass ? folded : raw) != node->inv;
    }
    case Op::Assert:
    case Op::Split:
    case Op::Jump:
    case Op::Save:
    case Op::Match:
      return false;
  }
  return false;
}

template class ClassMap<char>;
template class ClassMap<wchar_t>;

}  // namespace rx
