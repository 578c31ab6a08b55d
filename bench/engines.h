// One interface over the engines the benchmarks compare: this system's
// engine, std::regex, PCRE2 (interpreter and JIT), RE2 and Boost.Regex.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace bench {

constexpr int kDotAll = 4;     // as Pattern::DOT_ALL
constexpr int kMultiLine = 8;  // as Pattern::MULTI_LINE

class Matcher {
 public:
  virtual ~Matcher() = default;
  // Whole-subject match; on success the texts of groups 1.. go to *groups.
  virtual bool whole(const std::string& subject, std::vector<std::string>* groups) = 0;
  // Whole-subject match, the groups not wanted.
  virtual bool matches(const std::string& subject) = 0;
  // Every non-overlapping match, left to right.
  virtual void findAll(const std::string& subject, std::vector<std::string>* found) = 0;
};

class WideMatcher {
 public:
  virtual ~WideMatcher() = default;
  virtual bool whole(const std::wstring& subject) = 0;
};

struct Engine {
  const char* name;
  std::unique_ptr<Matcher> (*compile)(const std::string& pattern, int flags);
  std::unique_ptr<WideMatcher> (*compileWide)(const std::wstring& pattern);
};

const std::vector<Engine>& engines();

}  // namespace bench
