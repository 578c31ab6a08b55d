// The regex engine against std::regex, PCRE2 and RE2 on the system's own
// workloads, each with the patterns compiled once and with the compile
// counted in. Before measuring, every engine must give the same answers.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>

#include "bench/engines.h"
#include "bench/workloads.h"

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
    size_t digits = 0;
    for (const std::wstring& p : bench::versionPieces()) digits += e.compileWide(L"\\d+")->whole(p);
    if (digits != 11)
      std::fprintf(stderr, "%s disagrees on version digits (%zu)\n", e.name, digits), ok = false;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string log = bench::componentLog();
  std::string reports = bench::queryReportText();
  if (!enginesAgree(log, reports)) return 1;
  for (const Workload& w : lineWorkloads()) {
    for (const Engine& e : bench::engines()) registerLines(e, w);
  }
  for (const Engine& e : bench::engines()) registerDigits(e);
  for (const Engine& e : bench::engines()) registerFindAll(e, "5_find_all_1MB", bench::kLogPattern, log);
  for (const Engine& e : bench::engines())
    registerFindAll(e, "6_find_versions_1MB", bench::kVersionPattern, reports);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
