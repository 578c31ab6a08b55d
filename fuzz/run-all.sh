#!/usr/bin/env bash
# Runs every fuzz target for SECONDS from its seed corpus in fuzz/corpus/,
# collecting new inputs in a scratch directory; fails on the first crash.
set -u
bin_dir=${1:?usage: fuzz/run-all.sh BIN_DIR SECONDS}
seconds=${2:?usage: fuzz/run-all.sh BIN_DIR SECONDS}
corpus_root="$(cd "$(dirname "$0")" && pwd)/corpus"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in "$bin_dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds="$corpus_root/${name#fuzz_}"
  mkdir -p "$scratch/$name"
  echo "== $name for ${seconds}s"
  dirs=("$scratch/$name")
  [ -d "$seeds" ] && dirs+=("$seeds")
  # close_fd_mask=3 silences the engine's own syntax-error reports; the
  # fuzzer's reports still reach the terminal.
  "$target" -max_total_time="$seconds" -close_fd_mask=3 -print_final_stats=1 -rss_limit_mb=2048 \
    -artifact_prefix="$scratch/$name-" "${dirs[@]}" 2>&1 |
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|==[0-9]+==|SUMMARY|Done )' || true
  if ls "$scratch/$name-"* >/dev/null 2>&1; then
    echo "$name: crash, input kept in fuzz-artifacts/" >&2
    mkdir -p fuzz-artifacts && cp "$scratch/$name-"* fuzz-artifacts/
    status=1
  fi
done
exit $status
