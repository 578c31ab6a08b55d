#!/usr/bin/env bash
# Runs the regex benchmarks in BIN_DIR and prints the comparison table
# (ns per line, per piece or per MB, every engine side by side, medians of
# five repetitions with their spread), fcupdate's allocations per row, and
# the robustness table. A row whose spread passes 5% is run again, up to
# twice, and the steadier of its runs is kept.
set -eu
bin_dir=${1:?usage: bench/run-all.sh BIN_DIR}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
run() {
  "$bin_dir/regex_bench" --benchmark_repetitions=5 --benchmark_out="$1" --benchmark_out_format=json \
    ${2:+--benchmark_filter="$2"} ${BENCH_ARGS:-} >/dev/null
}
run "$out/all.json"
for round in 1 2; do
  noisy=$(python3 "$here/table.py" --noisy 5 "$out"/*.json)
  [ -n "$noisy" ] || break
  i=0
  for row in $noisy; do
    i=$((i + 1))
    run "$out/rerun-$round-$i.json" "^$row/"
  done
done
python3 "$here/table.py" "$out"/*.json
echo
echo "fcupdate's allocations (mean per pattern compiled, per item matched):"
echo
"$bin_dir/regex_bench" --allocations
echo
"$bin_dir/regex_robustness"
