// The regex engine against std::regex, PCRE2, RE2 and Boost on the system's
// own workloads, each with the patterns compiled once and with the compile
// counted in. Before measuring, every engine must give the same answers.
// With --allocations it prints instead how many allocations the engine
// makes per compile and per match on each row.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "bench/allocation_count.h"
#include "bench/engines.h"
#include "bench/workloads.h"
#include "regex/pattern.h"

namespace {

using bench::Engine;
using bench::Matcher;

struct Workload {
  const char* name;
  std::vector<const char*> patterns;
  int flags;
  std::vector<std::string> subjects;
};

std::vector<Workload> lineWorkloads() {
  return {
      {"1_qlogic_query",
       {bench::kQLogicPatterns[0], bench::kQLogicPatterns[1], bench::kQLogicPatterns[2]},
       bench::kDotAll,
       bench::qlogicReportLines()},
      {"2_emulex_query", {bench::kEmulexPattern}, bench::kDotAll, bench::emulexQueryLines()},
      {"3_release",
       {bench::kReleasePatterns, bench::kReleasePatterns + 5},
       bench::kDotAll | bench::kMultiLine,
       bench::releaseTexts()},
  };
}

// Matches and group texts summed over a workload: the answer every engine
// must give.
size_t answer(const std::vector<std::unique_ptr<Matcher>>& matchers, const Workload& w) {
  size_t sum = 0;
  std::vector<std::string> groups;
  for (const std::string& s : w.subjects) {
    for (const auto& m : matchers) {
      if (!m->whole(s, &groups)) continue;
      sum += 1;
      for (const std::string& g : groups) sum += g.size() * 31;
    }
  }
  return sum;
}

std::vector<std::unique_ptr<Matcher>> compileAll(const Engine& e, const Workload& w) {
  std::vector<std::unique_ptr<Matcher>> matchers;
  for (const char* p : w.patterns) matchers.push_back(e.compile(p, w.flags));
  return matchers;
}

void perItem(benchmark::State& state, size_t items) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items));
  state.counters["ns_per_item"] =
      benchmark::Counter(static_cast<double>(items) * 1e-9,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void registerLines(const Engine& e, const Workload& w) {
  std::string base = std::string(w.name) + "/";
  benchmark::RegisterBenchmark((base + "precompiled/" + e.name).c_str(), [e, w](benchmark::State& state) {
    auto matchers = compileAll(e, w);
    std::vector<std::string> groups;
    for (auto _ : state) {
      for (const std::string& s : w.subjects) {
        for (const auto& m : matchers) benchmark::DoNotOptimize(m->whole(s, &groups));
      }
    }
    perItem(state, w.subjects.size());
  });
  // The way the components work: each pattern compiled for each line.
  benchmark::RegisterBenchmark((base + "with_compile/" + e.name).c_str(), [e, w](benchmark::State& state) {
    std::vector<std::string> groups;
    for (auto _ : state) {
      for (const std::string& s : w.subjects) {
        for (const char* p : w.patterns) benchmark::DoNotOptimize(e.compile(p, w.flags)->whole(s, &groups));
      }
    }
    perItem(state, w.subjects.size());
  });
}

void registerDigits(const Engine& e) {
  std::vector<std::wstring> pieces = bench::versionPieces();
  benchmark::RegisterBenchmark((std::string("4_version_digits/precompiled/") + e.name).c_str(),
                               [e, pieces](benchmark::State& state) {
                                 auto m = e.compileWide(L"\\d+");
                                 for (auto _ : state) {
                                   for (const std::wstring& s : pieces) benchmark::DoNotOptimize(m->whole(s));
                                 }
                                 perItem(state, pieces.size());
                               });
  benchmark::RegisterBenchmark((std::string("4_version_digits/with_compile/") + e.name).c_str(),
                               [e, pieces](benchmark::State& state) {
                                 for (auto _ : state) {
                                   for (const std::wstring& s : pieces) {
                                     benchmark::DoNotOptimize(e.compileWide(L"\\d+")->whole(s));
                                   }
                                 }
                                 perItem(state, pieces.size());
                               });
}

// What a user picking an engine for the job would compare: the peers on
// narrow text, as they are naturally used; fcupdate on wide text, as the
// version rules use it.
void registerNarrowDigits(const Engine& e) {
  const bool own = std::strcmp(e.name, "fcupdate") == 0;
  std::vector<std::wstring> wide = bench::versionPieces();
  std::vector<std::string> narrow = bench::narrowVersionPieces();
  const std::string name = "4n_version_digits_narrow_peers/";
  benchmark::RegisterBenchmark((name + "precompiled/" + e.name).c_str(),
                               [e, own, wide, narrow](benchmark::State& state) {
                                 auto w = e.compileWide(L"\\d+");
                                 auto m = e.compile("\\d+", 0);
                                 for (auto _ : state) {
                                   if (own) {
                                     for (const std::wstring& s : wide) benchmark::DoNotOptimize(w->whole(s));
                                   } else {
                                     for (const std::string& s : narrow)
                                       benchmark::DoNotOptimize(m->matches(s));
                                   }
                                 }
                                 perItem(state, narrow.size());
                               });
  benchmark::RegisterBenchmark((name + "with_compile/" + e.name).c_str(),
                               [e, own, wide, narrow](benchmark::State& state) {
                                 for (auto _ : state) {
                                   if (own) {
                                     for (const std::wstring& s : wide)
                                       benchmark::DoNotOptimize(e.compileWide(L"\\d+")->whole(s));
                                   } else {
                                     for (const std::string& s : narrow)
                                       benchmark::DoNotOptimize(e.compile("\\d+", 0)->matches(s));
                                   }
                                 }
                                 perItem(state, narrow.size());
                               });
}

void registerFindAll(const Engine& e, const char* workload, const char* pattern, const std::string& text) {
  for (bool withCompile : {false, true}) {
    std::string name = std::string(workload) + (withCompile ? "/with_compile/" : "/precompiled/") + e.name;
    benchmark::RegisterBenchmark(name.c_str(), [e, pattern, text, withCompile](benchmark::State& state) {
      auto m = e.compile(pattern, 0);
      std::vector<std::string> found;
      for (auto _ : state) {
        if (withCompile) m = e.compile(pattern, 0);
        m->findAll(text, &found);
        benchmark::DoNotOptimize(found.data());
      }
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
      state.counters["ns_per_MB"] =
          benchmark::Counter(static_cast<double>(text.size()) / (1 << 20) * 1e-9,
                             benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    });
  }
}

// Every engine must agree with this one before anything is measured.
bool enginesAgree(const std::string& log, const std::string& reports) {
  const Engine& own = bench::engines().front();
  bool ok = true;
  for (const Workload& w : lineWorkloads()) {
    size_t expected = answer(compileAll(own, w), w);
    for (const Engine& e : bench::engines()) {
      size_t got = answer(compileAll(e, w), w);
      if (got != expected) std::fprintf(stderr, "%s disagrees on %s\n", e.name, w.name), ok = false;
    }
  }
  std::vector<std::string> expected, found, expectedVersions, versions;
  own.compile(bench::kLogPattern, 0)->findAll(log, &expected);
  own.compile(bench::kVersionPattern, 0)->findAll(reports, &expectedVersions);
  for (const Engine& e : bench::engines()) {
    e.compile(bench::kLogPattern, 0)->findAll(log, &found);
    if (found != expected) std::fprintf(stderr, "%s disagrees on find-all\n", e.name), ok = false;
    e.compile(bench::kVersionPattern, 0)->findAll(reports, &versions);
    if (versions != expectedVersions) std::fprintf(stderr, "%s disagrees on versions\n", e.name), ok = false;
    size_t digits = 0, narrowDigits = 0;
    for (const std::wstring& p : bench::versionPieces()) digits += e.compileWide(L"\\d+")->whole(p);
    for (const std::string& p : bench::narrowVersionPieces())
      narrowDigits += e.compile("\\d+", 0)->matches(p);
    if (digits != 11 || narrowDigits != 11)
      std::fprintf(stderr, "%s disagrees on version digits (%zu, %zu)\n", e.name, digits, narrowDigits),
          ok = false;
  }
  return ok;
}

// Allocations per item (line, text, piece or search) over `items` items;
// `once` runs them all once.
double perItemCount(size_t items, const std::function<void()>& once) {
  bench::AllocationCount count;
  once();
  return static_cast<double>(count.count()) / static_cast<double>(items);
}

void printAllocationRow(const char* name, double compile, double match, double results, double withCompile) {
  std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", name, compile, match, results, withCompile);
}

// fcupdate's allocations on each row: per pattern compiled; per item matched
// once the patterns are warm (the matcher alone, then with the results the
// row copies out: group texts or found strings); and per item when each
// pattern is compiled for it, as the with_compile rows do.
void printAllocations(const std::string& log, const std::string& reports) {
  std::printf("| workload | per compile | per match | per match, with results | per compile and match |\n");
  std::printf("|---|---:|---:|---:|---:|\n");
  for (const Workload& w : lineWorkloads()) {
    const std::vector<std::string> texts(w.patterns.begin(), w.patterns.end());
    std::vector<std::unique_ptr<Pattern>> patterns(texts.size());
    double compile = perItemCount(texts.size(), [&] {
      for (size_t i = 0; i < texts.size(); ++i) patterns[i] = Pattern::create(texts[i], w.flags);
    });
    std::vector<std::string> groups;
    auto matchAll = [&](bool results) {
      for (const std::string& s : w.subjects) {
        for (const auto& p : patterns) {
          std::unique_ptr<PatternMatcher> m = p->newMatcher(s);
          if (m->matchWhole() && results) groups = m->groupTexts(false);
        }
      }
    };
    for (int warm = 0; warm < Pattern::kAcceleratorUses; ++warm) matchAll(true);
    double match = perItemCount(w.subjects.size(), [&] { matchAll(false); });
    double results = perItemCount(w.subjects.size(), [&] { matchAll(true); });
    double each = perItemCount(w.subjects.size(), [&] {
      for (const std::string& s : w.subjects) {
        for (const std::string& text : texts) {
          std::unique_ptr<Pattern> p = Pattern::create(text, w.flags);
          std::unique_ptr<PatternMatcher> m = p->newMatcher(s);
          if (m->matchWhole()) groups = m->groupTexts(false);
        }
      }
    });
    printAllocationRow(w.name, compile, match, results, each);
  }
  const std::vector<std::wstring> pieces = bench::versionPieces();
  const std::wstring digitsText = L"\\d+";
  std::unique_ptr<WidePattern> digits;
  double compile = perItemCount(1, [&] { digits = WidePattern::create(digitsText); });
  for (int warm = 0; warm < Pattern::kAcceleratorUses; ++warm) {
    for (const std::wstring& s : pieces) digits->matchesWhole(s);
  }
  double match = perItemCount(pieces.size(), [&] {
    for (const std::wstring& s : pieces) digits->matchesWhole(s);
  });
  double each = perItemCount(pieces.size(), [&] {
    for (const std::wstring& s : pieces) WidePattern::textMatches(digitsText, s);
  });
  printAllocationRow("4_version_digits (wide)", compile, match, match, each);
  const std::pair<const char*, const char*> finds[] = {{"5_find_all_1MB", bench::kLogPattern},
                                                       {"6_find_versions_1MB", bench::kVersionPattern}};
  for (const auto& find : finds) {
    const std::string& text = find.second == bench::kLogPattern ? log : reports;
    const std::string patternText = find.second;
    std::unique_ptr<Pattern> p;
    double compileFind = perItemCount(1, [&] { p = Pattern::create(patternText, 0); });
    p->collectAll(text);
    auto m = p->newMatcher(std::string());
    m->setText(text);
    double search = perItemCount(1, [&] {
      m->rewind();
      while (m->findNext()) {
      }
    });
    double found = perItemCount(1, [&] { p->collectAll(text); });
    double fresh = perItemCount(1, [&] { Pattern::create(patternText, 0)->collectAll(text); });
    printAllocationRow(find.first, compileFind, search, found, fresh);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string log = bench::componentLog();
  std::string reports = bench::queryReportText();
  if (argc > 1 && std::strcmp(argv[1], "--allocations") == 0) {
    printAllocations(log, reports);
    return 0;
  }
  if (!enginesAgree(log, reports)) return 1;
  for (const Workload& w : lineWorkloads()) {
    for (const Engine& e : bench::engines()) registerLines(e, w);
  }
  for (const Engine& e : bench::engines()) registerDigits(e);
  for (const Engine& e : bench::engines()) registerNarrowDigits(e);
  for (const Engine& e : bench::engines()) registerFindAll(e, "5_find_all_1MB", bench::kLogPattern, log);
  for (const Engine& e : bench::engines())
    registerFindAll(e, "6_find_versions_1MB", bench::kVersionPattern, reports);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
