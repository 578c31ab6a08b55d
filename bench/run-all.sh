#!/usr/bin/env bash
# Runs the regex benchmarks in BIN_DIR once and prints the comparison table
# (ns per line, per piece or per MB, every engine side by side), then the
# robustness table.
set -eu
bin_dir=${1:?usage: bench/run-all.sh BIN_DIR}
json="$bin_dir/regex_bench.json"
# Three repetitions; the table takes each median.
"$bin_dir/regex_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json ${BENCH_ARGS:-}
python3 "$(dirname "$0")/table.py" "$json"
echo
"$bin_dir/regex_robustness"
