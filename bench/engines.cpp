// The engine adapters. Each does what a caller of that library would do for
// the same job: whole matches with the groups copied out, and find-all.
#include "bench/engines.h"

#include <re2/re2.h>

#include <boost/regex.hpp>
#include <cstdlib>
#include <regex>

#include "regex/pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 0
#include <pcre2.h>

namespace bench {

namespace {

class OwnMatcher : public Matcher {
 public:
  explicit OwnMatcher(std::unique_ptr<Pattern> p) : pattern_(std::move(p)) {}
  bool whole(const std::string& subject, std::vector<std::string>* groups) override {
    std::unique_ptr<PatternMatcher> m = pattern_->newMatcher(subject);
    if (!m->matchWhole()) return false;
    *groups = m->groupTexts(false);
    return true;
  }
  bool matches(const std::string& subject) override { return pattern_->matchesWhole(subject); }
  void findAll(const std::string& subject, std::vector<std::string>* found) override {
    *found = pattern_->collectAll(subject);
  }

 private:
  std::unique_ptr<Pattern> pattern_;
};

class OwnWide : public WideMatcher {
 public:
  explicit OwnWide(std::unique_ptr<WidePattern> p) : pattern_(std::move(p)) {}
  bool whole(const std::wstring& subject) override { return pattern_->matchesWhole(subject); }

 private:
  std::unique_ptr<WidePattern> pattern_;
};

std::unique_ptr<Matcher> compileOwn(const std::string& pattern, int flags) {
  std::unique_ptr<Pattern> p = Pattern::create(pattern, flags);
  return p ? std::make_unique<OwnMatcher>(std::move(p)) : nullptr;
}

std::unique_ptr<WideMatcher> compileOwnWide(const std::wstring& pattern) {
  std::unique_ptr<WidePattern> p = WidePattern::create(pattern);
  return p ? std::make_unique<OwnWide>(std::move(p)) : nullptr;
}

// ECMAScript '.' never matches a line terminator; under DOT_ALL it becomes
// the class of everything.
std::string ecmaScriptPattern(const std::string& pattern, int flags) {
  if (!(flags & kDotAll)) return pattern;
  std::string out;
  bool inClass = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      out += pattern.substr(i++, 2);
      continue;
    }
    if (c == '[') inClass = true;
    if (c == ']') inClass = false;
    out += c == '.' && !inClass ? std::string("[\\s\\S]") : std::string(1, c);
  }
  return out;
}

class StdMatcher : public Matcher {
 public:
  StdMatcher(const std::string& pattern, int flags) : re_(ecmaScriptPattern(pattern, flags)) {}
  bool whole(const std::string& subject, std::vector<std::string>* groups) override {
    std::smatch m;
    if (!std::regex_match(subject, m, re_)) return false;
    groups->clear();
    for (size_t i = 1; i < m.size(); ++i) groups->push_back(m[i].str());
    return true;
  }
  bool matches(const std::string& subject) override { return std::regex_match(subject, re_); }
  void findAll(const std::string& subject, std::vector<std::string>* found) override {
    found->clear();
    for (std::sregex_iterator it(subject.begin(), subject.end(), re_), end; it != end; ++it) {
      found->push_back(it->str());
    }
  }

 private:
  std::regex re_;
};

class StdWide : public WideMatcher {
 public:
  explicit StdWide(const std::wstring& pattern) : re_(pattern) {}
  bool whole(const std::wstring& subject) override { return std::regex_match(subject, re_); }

 private:
  std::wregex re_;
};

std::unique_ptr<Matcher> compileStd(const std::string& pattern, int flags) {
  return std::make_unique<StdMatcher>(pattern, flags);
}

std::unique_ptr<WideMatcher> compileStdWide(const std::wstring& pattern) {
  return std::make_unique<StdWide>(pattern);
}

// With `jit`, the pattern is also compiled to machine code, which
// pcre2_match then runs instead of the interpreter. The JIT takes no
// anchoring options at match time (pcre2_match would fall back to the
// interpreter), so whole matches use a code compiled anchored at both ends,
// and searches one compiled without; each is compiled when first used.
class PcreCode {
 public:
  PcreCode(const std::string& pattern, uint32_t options, bool jit) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile_8(reinterpret_cast<PCRE2_SPTR8>(pattern.data()), pattern.size(), options, &error,
                            &offset, nullptr);
    if (!code_) std::abort();
    if (jit && pcre2_jit_compile_8(code_, PCRE2_JIT_COMPLETE) != 0) std::abort();
    data_ = pcre2_match_data_create_from_pattern_8(code_, nullptr);
  }
  PcreCode(const PcreCode&) = delete;
  PcreCode& operator=(const PcreCode&) = delete;
  ~PcreCode() {
    pcre2_match_data_free_8(data_);
    pcre2_code_free_8(code_);
  }
  int run(const std::string& subject, size_t from) {
    return pcre2_match_8(code_, reinterpret_cast<PCRE2_SPTR8>(subject.data()), subject.size(), from, 0, data_,
                         nullptr);
  }
  PCRE2_SIZE* ovector() const { return pcre2_get_ovector_pointer_8(data_); }
  uint32_t pairs() const { return pcre2_get_ovector_count_8(data_); }

 private:
  pcre2_code_8* code_ = nullptr;
  pcre2_match_data_8* data_ = nullptr;
};

class PcreMatcher : public Matcher {
 public:
  PcreMatcher(const std::string& pattern, int flags, bool jit)
      : pattern_(pattern),
        options_((flags & kDotAll ? PCRE2_DOTALL : 0) | (flags & kMultiLine ? PCRE2_MULTILINE : 0)),
        jit_(jit) {}
  bool whole(const std::string& subject, std::vector<std::string>* groups) override {
    if (!whole_)
      whole_ = std::make_unique<PcreCode>(pattern_, options_ | PCRE2_ANCHORED | PCRE2_ENDANCHORED, jit_);
    int rc = whole_->run(subject, 0);
    if (rc < 0) return false;
    PCRE2_SIZE* ov = whole_->ovector();
    groups->clear();
    for (uint32_t i = 1; i < whole_->pairs(); ++i) {
      bool set = ov[2 * i] != PCRE2_UNSET && static_cast<int>(i) < rc;
      groups->push_back(set ? subject.substr(ov[2 * i], ov[2 * i + 1] - ov[2 * i]) : std::string());
    }
    return true;
  }
  bool matches(const std::string& subject) override {
    if (!whole_)
      whole_ = std::make_unique<PcreCode>(pattern_, options_ | PCRE2_ANCHORED | PCRE2_ENDANCHORED, jit_);
    return whole_->run(subject, 0) >= 0;
  }
  void findAll(const std::string& subject, std::vector<std::string>* found) override {
    if (!find_) find_ = std::make_unique<PcreCode>(pattern_, options_, jit_);
    found->clear();
    size_t from = 0;
    while (from <= subject.size() && find_->run(subject, from) >= 0) {
      PCRE2_SIZE* ov = find_->ovector();
      found->push_back(subject.substr(ov[0], ov[1] - ov[0]));
      from = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
  }

 private:
  std::string pattern_;
  uint32_t options_;
  bool jit_;
  std::unique_ptr<PcreCode> whole_, find_;
};

class PcreWide : public WideMatcher {
 public:
  PcreWide(const std::wstring& pattern, bool jit) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile_32(reinterpret_cast<PCRE2_SPTR32>(pattern.data()), pattern.size(),
                             PCRE2_ANCHORED | PCRE2_ENDANCHORED, &error, &offset, nullptr);
    if (!code_) std::abort();
    if (jit && pcre2_jit_compile_32(code_, PCRE2_JIT_COMPLETE) != 0) std::abort();
    data_ = pcre2_match_data_create_from_pattern_32(code_, nullptr);
  }
  PcreWide(const PcreWide&) = delete;
  PcreWide& operator=(const PcreWide&) = delete;
  ~PcreWide() override {
    pcre2_match_data_free_32(data_);
    pcre2_code_free_32(code_);
  }
  bool whole(const std::wstring& subject) override {
    return pcre2_match_32(code_, reinterpret_cast<PCRE2_SPTR32>(subject.data()), subject.size(), 0, 0, data_,
                          nullptr) >= 0;
  }

 private:
  pcre2_code_32* code_ = nullptr;
  pcre2_match_data_32* data_ = nullptr;
};

std::unique_ptr<Matcher> compilePcre(const std::string& pattern, int flags) {
  return std::make_unique<PcreMatcher>(pattern, flags, false);
}

std::unique_ptr<WideMatcher> compilePcreWide(const std::wstring& pattern) {
  return std::make_unique<PcreWide>(pattern, false);
}

std::unique_ptr<Matcher> compilePcreJit(const std::string& pattern, int flags) {
  return std::make_unique<PcreMatcher>(pattern, flags, true);
}

std::unique_ptr<WideMatcher> compilePcreJitWide(const std::wstring& pattern) {
  return std::make_unique<PcreWide>(pattern, true);
}

RE2::Options re2Options(int flags) {
  RE2::Options options;
  options.set_dot_nl((flags & kDotAll) != 0);
  options.set_log_errors(false);
  return options;
}

class Re2Matcher : public Matcher {
 public:
  Re2Matcher(const std::string& pattern, int flags)
      : re_((flags & kMultiLine ? "(?m)" : "") + pattern, re2Options(flags)),
        subs_(static_cast<size_t>(re_.NumberOfCapturingGroups()) + 1) {
    if (!re_.ok()) std::abort();
  }
  bool whole(const std::string& subject, std::vector<std::string>* groups) override {
    if (!re_.Match(subject, 0, subject.size(), RE2::ANCHOR_BOTH, subs_.data(),
                   static_cast<int>(subs_.size()))) {
      return false;
    }
    groups->clear();
    for (size_t i = 1; i < subs_.size(); ++i)
      groups->push_back(std::string(subs_[i].data(), subs_[i].size()));
    return true;
  }
  bool matches(const std::string& subject) override { return RE2::FullMatch(subject, re_); }
  void findAll(const std::string& subject, std::vector<std::string>* found) override {
    found->clear();
    size_t from = 0;
    while (from <= subject.size() &&
           re_.Match(subject, from, subject.size(), RE2::UNANCHORED, subs_.data(), 1)) {
      size_t start = static_cast<size_t>(subs_[0].data() - subject.data());
      found->push_back(std::string(subs_[0].data(), subs_[0].size()));
      from = start + (subs_[0].empty() ? 1 : subs_[0].size());
    }
  }

 private:
  RE2 re_;
  std::vector<re2::StringPiece> subs_;
};

// RE2 reads UTF-8 only, so a wide subject is converted on each call, as a
// caller holding wide text would have to.
std::string utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t w : text) {
    uint32_t c = static_cast<uint32_t>(w);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | ((c >> 12) & 0x0F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class Re2Wide : public WideMatcher {
 public:
  explicit Re2Wide(const std::wstring& pattern) : re_(utf8(pattern), re2Options(0)) {}
  bool whole(const std::wstring& subject) override { return RE2::FullMatch(utf8(subject), re_); }

 private:
  RE2 re_;
};

std::unique_ptr<Matcher> compileRe2(const std::string& pattern, int flags) {
  return std::make_unique<Re2Matcher>(pattern, flags);
}

std::unique_ptr<WideMatcher> compileRe2Wide(const std::wstring& pattern) {
  return std::make_unique<Re2Wide>(pattern);
}

// Perl syntax; '.' and the line anchors as the flags say. Boost reports
// giving up (its complexity and memory bounds) by an exception, taken here
// as no match.
boost::regex::flag_type boostFlags(int flags) {
  boost::regex::flag_type f = boost::regex::perl;
  f |= flags & kDotAll ? boost::regex::mod_s : boost::regex::no_mod_s;
  if (!(flags & kMultiLine)) f |= boost::regex::no_mod_m;
  return f;
}

class BoostMatcher : public Matcher {
 public:
  BoostMatcher(const std::string& pattern, int flags) : re_(pattern, boostFlags(flags)) {}
  bool whole(const std::string& subject, std::vector<std::string>* groups) override {
    boost::smatch m;
    try {
      if (!boost::regex_match(subject, m, re_)) return false;
    } catch (const std::runtime_error&) {
      return false;
    }
    groups->clear();
    for (size_t i = 1; i < m.size(); ++i) groups->push_back(m[i].str());
    return true;
  }
  bool matches(const std::string& subject) override {
    try {
      return boost::regex_match(subject, re_);
    } catch (const std::runtime_error&) {
      return false;
    }
  }
  void findAll(const std::string& subject, std::vector<std::string>* found) override {
    found->clear();
    try {
      for (boost::sregex_iterator it(subject.begin(), subject.end(), re_), end; it != end; ++it) {
        found->push_back(it->str());
      }
    } catch (const std::runtime_error&) {
    }
  }

 private:
  boost::regex re_;
};

class BoostWide : public WideMatcher {
 public:
  explicit BoostWide(const std::wstring& pattern) : re_(pattern, boostFlags(0)) {}
  bool whole(const std::wstring& subject) override {
    try {
      return boost::regex_match(subject, re_);
    } catch (const std::runtime_error&) {
      return false;
    }
  }

 private:
  boost::wregex re_;
};

std::unique_ptr<Matcher> compileBoost(const std::string& pattern, int flags) {
  return std::make_unique<BoostMatcher>(pattern, flags);
}

std::unique_ptr<WideMatcher> compileBoostWide(const std::wstring& pattern) {
  return std::make_unique<BoostWide>(pattern);
}

}  // namespace

const std::vector<Engine>& engines() {
  static const std::vector<Engine> all = {
      {"fcupdate", compileOwn, compileOwnWide},
      {"std::regex", compileStd, compileStdWide},
      {"PCRE2 interp", compilePcre, compilePcreWide},
      {"PCRE2 JIT", compilePcreJit, compilePcreJitWide},
      {"RE2", compileRe2, compileRe2Wide},
      {"Boost", compileBoost, compileBoostWide},
  };
  return all;
}

}  // namespace bench
