// The pattern classes: compiling, the pattern caches, defining named
// sub-patterns, and the operations on the pattern's built-in matcher with
// their one-call static forms.
#include "regex/pattern.h"

#include <algorithm>
#include <climits>
#include <map>

#include "regex/accelerators.h"
#include "regex/automaton.h"
#include "regex/compiler.h"
#include "regex/named_patterns.h"

namespace {

// One cache per character type. Destroying it at exit frees the cached
// patterns too.
template <class Char>
std::map<std::basic_string<Char>, std::unique_ptr<BasicPattern<Char>>>& patternCache() {
  static std::map<std::basic_string<Char>, std::unique_ptr<BasicPattern<Char>>> cache;
  return cache;
}

template <class Char>
std::basic_string_view<Char> copyInto(rx::Graph<Char>& graph, const std::basic_string<Char>& text) {
  Char* copy = graph.newText(text.size());
  std::copy(text.begin(), text.end(), copy);
  return {copy, text.size()};
}

}  // namespace

// The graph's arena begins in the storage right after the pattern object.
template <class Char>
BasicPattern<Char>::BasicPattern(const String& text, int flags, void* storage, size_t bytes)
    : flags_(flags), graph_(storage, bytes), text_(copyInto(graph_, text)) {}

// Made on first use rather than with the pattern: most patterns are only
// ever used through matchers of their own.
template <class Char>
BasicPatternMatcher<Char>& BasicPattern<Char>::builtIn() {
  if (!matcher_) matcher_ = std::make_unique<BasicPatternMatcher<Char>>(this, String());
  return *matcher_;
}

template <class Char>
const rx::Automaton<Char>* BasicPattern<Char>::automaton() const {
  std::call_once(automatonOnce_, [this] {
    if (graph_.automatonFits) automaton_ = rx::Automaton<Char>::build(graph_);
    if (!automaton_) buildFailed_.store(true, std::memory_order_relaxed);
  });
  return automaton_.get();
}

// The matchers go first: they refer to the graph.
template <class Char>
BasicPattern<Char>::~BasicPattern() {
  matcher_.reset();
}

namespace {

// Storage for the graph of a pattern text of `length` characters: enough
// for the text, the nodes and the texts the passes store of the patterns
// the system uses, so that compiling one allocates the pattern and nothing
// else.
template <class Char>
size_t graphStorageBytes(size_t length) {
  return 512 + 64 * length + 2 * length * sizeof(Char);
}

}  // namespace

template <class Char>
std::unique_ptr<BasicPattern<Char>> BasicPattern<Char>::create(const String& pattern, int flags) {
  size_t bytes = graphStorageBytes<Char>(pattern.size());
  void* block = ::operator new(sizeof(BasicPattern) + bytes);
  BasicPattern* made = nullptr;
  try {
    made = new (block)
        BasicPattern(pattern, flags, static_cast<unsigned char*>(block) + sizeof(BasicPattern), bytes);
  } catch (...) {
    ::operator delete(block);
    throw;
  }
  std::unique_ptr<BasicPattern> p(made);
  if (!rx::compilePattern(pattern, flags, p->graph_)) return nullptr;
  return p;
}

template <class Char>
BasicPattern<Char>* BasicPattern<Char>::createCached(const String& pattern, int flags) {
  auto& cache = patternCache<Char>();
  auto it = cache.find(pattern);
  if (it == cache.end()) it = cache.emplace(pattern, create(pattern, flags)).first;
  return it->second.get();
}

template <class Char>
void BasicPattern<Char>::clearCache() {
  patternCache<Char>().clear();
}

template <class Char>
bool BasicPattern<Char>::defineNamed(const String& name, const String& text, int flags) {
  if (!create(text, flags)) return false;
  rx::storeNamed(name, text, flags);
  return true;
}

template <class Char>
void BasicPattern<Char>::clearNamed() {
  rx::clearNamedTable<Char>();
}

template <class Char>
std::unique_ptr<BasicPatternMatcher<Char>> BasicPattern<Char>::newMatcher(const String& subject) {
  return std::unique_ptr<BasicPatternMatcher<Char>>(new (pool_)
                                                        BasicPatternMatcher<Char>(this, subject, &pool_));
}

// Nothing reads the built-in matcher's groups after a whole match, so the
// subject is matched where it is, without the matcher.
template <class Char>
bool BasicPattern<Char>::matchesWhole(const String& subject) {
  return wholeOnly(subject);
}

template <class Char>
int BasicPattern<Char>::groupCount() const {
  return graph_.groupCount;
}

template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::collectAll(const String& subject) {
  rx::SubjectLoan<Char> loan(builtIn(), subject);
  return builtIn().findAll();
}

// A match at 0 with keepEmpty yields two empty pieces in front; a trailing
// empty piece is never added.
template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::splitText(const String& subject,
                                                                               bool keepEmpty, int limit) {
  size_t most = limit == 0 ? static_cast<size_t>(INT_MAX) : limit < 0 ? 0 : static_cast<size_t>(limit);
  std::vector<String> pieces;
  rx::SubjectLoan<Char> loan(builtIn(), subject);
  int last = 0;
  while (pieces.size() < most && builtIn().findNext()) {
    int start = builtIn().groupStart(0), end = builtIn().groupEnd(0);
    if (start == 0 && keepEmpty) pieces.push_back(String());
    if (start == end && !keepEmpty) continue;
    if (start != last || keepEmpty) pieces.push_back(subject.substr(last, static_cast<size_t>(start - last)));
    last = end;
  }
  if (static_cast<size_t>(last) < subject.size()) pieces.push_back(subject.substr(static_cast<size_t>(last)));
  return pieces;
}

template <class Char>
typename BasicPattern<Char>::String BasicPattern<Char>::replaceAll(const String& subject,
                                                                   const String& replacement) {
  String out;
  rx::SubjectLoan<Char> loan(builtIn(), subject);
  int last = 0;
  while (builtIn().findNext()) {
    int start = builtIn().groupStart(0);
    out += subject.substr(static_cast<size_t>(last), static_cast<size_t>(start - last));
    out += builtIn().substituteGroups(replacement);
    last = builtIn().groupEnd(0);
  }
  return out + subject.substr(static_cast<size_t>(last));
}

template <class Char>
bool BasicPattern<Char>::textMatches(const String& pattern, const String& subject, int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled && compiled->matchesWhole(subject);
}

template <class Char>
std::pair<typename BasicPattern<Char>::String, int> BasicPattern<Char>::nthMatch(const String& pattern,
                                                                                 const String& subject, int n,
                                                                                 int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  if (!compiled || n < 0) return {String(), -1};
  BasicPatternMatcher<Char>& m = compiled->builtIn();
  rx::SubjectLoan<Char> loan(m, subject);
  for (int found = 0; found <= n; ++found) {
    if (!m.findNext()) return {String(), -1};
  }
  if (m.groupStart(0) < 0) return {String(), -1};
  return {m.groupText(0), m.groupStart(0)};
}

template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::collectAll(const String& pattern,
                                                                                const String& subject,
                                                                                int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled ? compiled->collectAll(subject) : std::vector<String>();
}

template <class Char>
std::vector<typename BasicPattern<Char>::String> BasicPattern<Char>::splitText(const String& pattern,
                                                                               const String& subject,
                                                                               bool keepEmpty, int limit,
                                                                               int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled ? compiled->splitText(subject, keepEmpty, limit) : std::vector<String>();
}

template <class Char>
typename BasicPattern<Char>::String BasicPattern<Char>::replaceAll(const String& pattern,
                                                                   const String& subject,
                                                                   const String& replacement, int flags) {
  std::unique_ptr<BasicPattern> compiled = create(pattern, flags);
  return compiled ? compiled->replaceAll(subject, replacement) : String();
}

template class BasicPattern<char>;
template class BasicPattern<wchar_t>;
