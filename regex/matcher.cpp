// The matcher: owns the match state of one subject and makes whole-subject
// matches and successive searches, which the pattern answers on that state.
#include "regex/matcher.h"

#include <algorithm>
#include <climits>

#include "regex/automaton.h"
#include "regex/matcher_pool.h"
#include "regex/pattern.h"

template <class Char>
BasicPatternMatcher<Char>::BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject)
    : pattern_(pattern) {
  subject_.assign(subject.data(), subject.size());
  // Zero-filled: a new matcher reports 0 for every group's start and end.
  state_.resize(pattern->graph_.groupCount, pattern->graph_.nonCapturing);
  bindSubject();
}

template <class Char>
BasicPatternMatcher<Char>::BasicPatternMatcher(BasicPattern<Char>* pattern, const String& subject,
                                               rx::MatcherPool<Char>* pool)
    : pattern_(pattern), pool_(pool) {
  pool_->enter(this, &subject_);
  subject_.assign(subject.data(), subject.size());
  state_.resize(pattern->graph_.groupCount, pattern->graph_.nonCapturing);
  bindSubject();
}

template <class Char>
BasicPatternMatcher<Char>::~BasicPatternMatcher() {
  if (pool_) pool_->leave(this, &subject_);
}

template <class Char>
void* BasicPatternMatcher<Char>::operator new(std::size_t bytes) {
  return rx::MatcherPool<Char>::allocate(bytes, nullptr);
}

template <class Char>
void* BasicPatternMatcher<Char>::operator new(std::size_t bytes, rx::MatcherPool<Char>& pool) {
  return rx::MatcherPool<Char>::allocate(bytes, &pool);
}

template <class Char>
void BasicPatternMatcher<Char>::operator delete(void* storage) {
  rx::MatcherPool<Char>::release(storage);
}

template <class Char>
void BasicPatternMatcher<Char>::operator delete(void* storage, rx::MatcherPool<Char>& pool) {
  (void)pool;
  rx::MatcherPool<Char>::release(storage);
}

template <class Char>
void BasicPatternMatcher<Char>::bindSubject() {
  bindText(subject_.data(), subject_.size());
}

template <class Char>
void BasicPatternMatcher<Char>::bindText(const Char* text, size_t size) {
  state_.text = text;
  // Positions are ints; a subject beyond that range is never matched.
  state_.length = size < static_cast<size_t>(INT_MAX) ? static_cast<int>(size) : -1;
}

template <class Char>
void BasicPatternMatcher<Char>::lend(const String& subject) {
  bindText(subject.data(), subject.size());
  rewind();
}

template <class Char>
void BasicPatternMatcher<Char>::endLoan() {
  subject_.clear();
  bindSubject();
  rewind();
}

template <class Char>
void BasicPatternMatcher<Char>::setText(const String& subject) {
  subject_.assign(subject.data(), subject.size());
  bindSubject();
  rewind();
}

template <class Char>
bool BasicPatternMatcher<Char>::matchWhole(const String& subject) {
  subject_.assign(subject.data(), subject.size());
  bindSubject();
  return matchWhole();
}

template <class Char>
void BasicPatternMatcher<Char>::rewind() {
  state_.clearGroups();
  matched_ = false;
  exhausted_ = false;
}

template <class Char>
int BasicPatternMatcher<Char>::runHead(int from) {
  return pattern_->run(state_, from, scratch_);
}

template <class Char>
bool BasicPatternMatcher<Char>::matchWhole() {
  state_.wholeMode = true;
  matched_ = false;
  exhausted_ = false;
  state_.clearGroups();
  // A line without the pattern's literal prefix, the usual case when a
  // component tries each of its patterns on each line, is ruled out at
  // once, leaving the groups as the start node does.
  if (state_.length >= 0 && !pattern_->mayBegin(state_.text, state_.length)) {
    state_.starts[0] = 0;
    return false;
  }
  int r = runHead(0);
  return r >= 0 && r == state_.length;
}

template <class Char>
bool BasicPatternMatcher<Char>::findFirst() {
  state_.wholeMode = false;
  state_.clearGroups();
  exhausted_ = false;
  state_.starts[0] = 0;
  state_.ends[0] = runHead(0);
  if (state_.ends[0] < 0) return false;
  matched_ = true;
  return true;
}

template <class Char>
bool BasicPatternMatcher<Char>::findNext() {
  if (!matched_) return findFirst();
  if (exhausted_) {
    state_.stopped = false;
    return false;
  }
  int s = state_.starts[0], e = state_.ends[0];
  state_.wholeMode = false;
  state_.clearGroups();
  // An empty match moves the next search on by one character.
  int from = s == e ? e + 1 : e;
  state_.starts[0] = from;
  if (from >= state_.length) {
    state_.stopped = false;
    exhausted_ = true;
    return false;
  }
  state_.previousEnd = from;
  state_.ends[0] = runHead(from);
  exhausted_ = state_.ends[0] < 0;
  return !exhausted_;
}

template <class Char>
int BasicPatternMatcher<Char>::groupStart(int i) const {
  return i < 0 || i >= state_.groupCount ? -1 : state_.starts[i];
}

template <class Char>
int BasicPatternMatcher<Char>::groupEnd(int i) const {
  return i < 0 || i >= state_.groupCount ? -1 : state_.ends[i];
}

template <class Char>
typename BasicPatternMatcher<Char>::String BasicPatternMatcher<Char>::groupText(int i) const {
  int s = groupStart(i), e = groupEnd(i);
  if (s < 0 || e < s || e > state_.length) return String();
  return String(state_.text + s, static_cast<size_t>(e - s));
}

template <class Char>
std::vector<typename BasicPatternMatcher<Char>::String> BasicPatternMatcher<Char>::groupTexts(
    bool includeWhole) const {
  std::vector<String> texts;
  texts.reserve(static_cast<size_t>(state_.groupCount));
  for (int i = includeWhole ? 0 : 1; i < state_.groupCount; ++i) texts.push_back(groupText(i));
  return texts;
}

template <class Char>
std::vector<typename BasicPatternMatcher<Char>::String> BasicPatternMatcher<Char>::findAll() {
  std::vector<String> found;
  rewind();
  while (findNext()) found.push_back(groupText(0));
  return found;
}

template <class Char>
typename BasicPatternMatcher<Char>::String BasicPatternMatcher<Char>::substituteGroups(
    const String& replacement) const {
  String out;
  const Char backslash = static_cast<Char>('\\');
  auto isDigit = [](Char c) { return c >= static_cast<Char>('0') && c <= static_cast<Char>('9'); };
  for (size_t i = 0; i < replacement.size(); ++i) {
    Char c = replacement[i];
    if (c != backslash || i + 1 == replacement.size()) {
      out += c;
    } else if (isDigit(replacement[i + 1])) {
      // All the digits form the number: \12 is group 12. A number beyond
      // every group gives "".
      long long n = 0;
      for (; i + 1 < replacement.size() && isDigit(replacement[i + 1]); ++i) {
        n = std::min(n * 10 + (replacement[i + 1] - static_cast<Char>('0')), static_cast<long long>(INT_MAX));
      }
      out += groupText(static_cast<int>(n));
    } else {
      out += replacement[++i];
    }
  }
  return out;
}

template class BasicPatternMatcher<char>;
template class BasicPatternMatcher<wchar_t>;
