#!/usr/bin/env bash
# Runs the benchmarks in BIN_DIR once and prints the comparison table (ns
# per line, per piece or per MB, every engine side by side).
set -eu
bin_dir=${1:?usage: bench/run-all.sh BIN_DIR}
json="$bin_dir/regex_bench.json"
# Five repetitions; the table takes each median.
"$bin_dir/regex_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json ${BENCH_ARGS:-}
python3 "$(dirname "$0")/table.py" "$json"
