#!/usr/bin/env bash
# Runs the whole-run benchmark against the executables in BIN_DIR and prints
# its table. Extra arguments go to the driver (--sizes, --reps, --keep, --direct).
set -eu
bin_dir=${1:?usage: bench/whole_run/run.sh BIN_DIR [--sizes N,N,...] [--reps N] [--keep DIR] [--direct]}
shift
"$bin_dir/whole_run_bench" --bin "$bin_dir" "$@"
