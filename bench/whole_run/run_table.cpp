// Medians of repeated whole runs and the table that reports them against the cost targets.
#include "bench/whole_run/run_table.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace wholerun {

namespace {

constexpr double kOwnShareLimit = 0.10;
constexpr double kPeakRssLimitMb = 16.0;

template <typename T>
T median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename T>
T medianOf(const std::vector<ProcessUsage>& samples, T ProcessUsage::*measure) {
  std::vector<T> values;
  for (const ProcessUsage& sample : samples) values.push_back(sample.*measure);
  return median(values);
}

double ownShare(const ProcessUsage& u) { return u.treeCpuMs > 0 ? u.ownCpuMs / u.treeCpuMs : 0; }

double megabytes(long kb) { return static_cast<double>(kb) / 1024.0; }

std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string formatted(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  (void)std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return line;
}

std::string formatRow(const TableRow& row) {
  const ProcessUsage& u = row.usage;
  return formatted("| %8d | %-6s | %9.1f | %10.1f | %15.1f | %8.1f%% | %14.1f | %15.1f |\n", row.adapters,
                   row.run.c_str(), u.wallMs, u.ownCpuMs, u.childCpuMs(), 100.0 * ownShare(u),
                   1000.0 * u.ownCpuMs / row.adapters, megabytes(u.ownPeakRssKb));
}

const TableRow* findRow(const std::vector<TableRow>& rows, int adapters, const std::string& run) {
  for (const TableRow& row : rows) {
    if (row.adapters == adapters && row.run == run) return &row;
  }
  return nullptr;
}

std::string verdict(bool met) { return met ? "met" : "MISSED"; }

std::string targetLines(const std::vector<TableRow>& rows) {
  int largest = 0;
  for (const TableRow& row : rows) largest = std::max(largest, row.adapters);
  const int quarter = largest / 4;
  std::string out = formatted("\nTargets at %d adapters:\n", largest);
  for (const char* run : {"report", "flash"}) {
    const TableRow* row = findRow(rows, largest, run);
    if (row == nullptr) continue;
    const ProcessUsage& u = row->usage;
    out += formatted(
        "  %-6s own CPU %.1f%% of the run's total (at most 10%%): %s; own peak RSS %.1f MB "
        "(under 16 MB): %s",
        run, 100.0 * ownShare(u), verdict(ownShare(u) <= kOwnShareLimit).c_str(), megabytes(u.ownPeakRssKb),
        verdict(megabytes(u.ownPeakRssKb) < kPeakRssLimitMb).c_str());
    const TableRow* base = findRow(rows, quarter, run);
    if (base != nullptr && base->usage.ownCpuMs > 0) {
      out += formatted("; own CPU x%.2f from %d adapters (x4 adapters)", u.ownCpuMs / base->usage.ownCpuMs,
                       quarter);
    }
    out += "\n";
  }
  return out;
}

}  // namespace

ProcessUsage medianUsage(const std::vector<ProcessUsage>& samples) {
  ProcessUsage m = samples.front();
  m.wallMs = medianOf(samples, &ProcessUsage::wallMs);
  m.treeCpuMs = medianOf(samples, &ProcessUsage::treeCpuMs);
  m.ownCpuMs = medianOf(samples, &ProcessUsage::ownCpuMs);
  m.ownPeakRssKb = medianOf(samples, &ProcessUsage::ownPeakRssKb);
  m.treePeakRssKb = medianOf(samples, &ProcessUsage::treePeakRssKb);
  return m;
}

std::string formatTable(const std::vector<TableRow>& rows, int reps) {
  std::string out = formatted(
      "Whole fcupdate runs, median of %d each; own = the fcupdate process alone, children = every command "
      "it ran\n\n",
      reps);
  out +=
      "| adapters | run    | wall (ms) | own CPU ms | children CPU ms | own share | own us/adapter | own "
      "peak RSS MB |\n";
  out +=
      "|---------:|:-------|----------:|-----------:|----------------:|----------:|---------------:|---------"
      "-------:|\n";
  for (const TableRow& row : rows) out += formatRow(row);
  return out + targetLines(rows);
}

}  // namespace wholerun
