// Creating patterns, the pattern caches and the named sub-pattern registry.
#include "regex/pattern.h"

#include <map>

#include "regex/compiler.h"
#include "regex/conveniences_impl.h"
#include "regex/named_patterns.h"

namespace {

// One cache per character type. Destroying it at exit frees the cached
// patterns too.
template <class Char>
std::map<std::basic_string<Char>, std::unique_ptr<BasicPattern<Char>>>& patternCache() {
  static std::map<std::basic_string<Char>, std::unique_ptr<BasicPattern<Char>>> cache;
  return cache;
}

}  // namespace

template <class Char>
BasicPattern<Char>::BasicPattern(const String& text, int flags, std::unique_ptr<rx::Graph<Char>> graph)
    : text_(text), flags_(flags), graph_(std::move(graph)) {}

// Made on first use rather than with the pattern: most patterns are only
// ever used through matchers of their own.
template <class Char>
BasicPatternMatcher<Char>& BasicPattern<Char>::builtIn() {
  if (!matcher_) matcher_ = std::make_unique<BasicPatternMatcher<Char>>(this, String());
  return *matcher_;
}

// The matcher goes first: it refers to the graph the registry owns.
template <class Char>
BasicPattern<Char>::~BasicPattern() {
  matcher_.reset();
}

template <class Char>
std::unique_ptr<BasicPattern<Char>> BasicPattern<Char>::create(const String& pattern, int flags) {
  std::unique_ptr<rx::Graph<Char>> graph = rx::compilePattern(pattern, flags);
  if (!graph) return nullptr;
  return std::unique_ptr<BasicPattern>(new BasicPattern(pattern, flags, std::move(graph)));
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
  return std::make_unique<BasicPatternMatcher<Char>>(this, subject);
}

template <class Char>
bool BasicPattern<Char>::matchesWhole(const String& subject) {
  builtIn().setText(subject);
  return builtIn().matchWhole();
}

template <class Char>
int BasicPattern<Char>::groupCount() const {
  return graph_->groupCount;
}

template class BasicPattern<char>;
template class BasicPattern<wchar_t>;
