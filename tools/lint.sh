#!/usr/bin/env bash
# Fails on unformatted sources, includes against the layer order, clang-tidy
# findings and cppcheck errors.
set -u
build=${1:-build}
cd "$(dirname "$0")/.."
status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sources=$(git ls-files '*.cpp' '*.h' '*.c')
if ! echo "$sources" | xargs clang-format --dry-run -Werror 2>"$scratch/format"; then
  head -40 "$scratch/format"
  echo "lint: sources are not formatted; run 'make format'" >&2
  status=1
fi
if ! python3 tools/check_layers_test.py 2>"$scratch/layers-test"; then
  cat "$scratch/layers-test" >&2
  echo "lint: the layer check's own test failed" >&2
  status=1
fi
if ! tools/check-layers; then
  echo "lint: product code includes against the layer order (support, regex, fchba, framework, components, app)" >&2
  status=1
fi
# The portable build's C shims (tools/portable/compat/) are compiled only by
# its own toolchain, so the g++ build's compile commands do not cover them.
units=$(git ls-files '*.cpp' '*.c' | grep -v -E '^(fuzz|bench|tools/portable)/')
# clang-tidy reads the g++ build's compile commands; drop the g++-only flags.
sed -e 's/ -fno-gnu-unique//g' "$build/compile_commands.json" > "$scratch/compile_commands.json"
if ! echo "$units" | xargs -P "$(nproc)" -n 8 clang-tidy -p "$scratch" --quiet 2>/dev/null; then
  echo "lint: clang-tidy reported findings" >&2
  status=1
fi
# cppcheck does not know the GoogleTest macros; the tests are checked by running.
product=$(echo "$units" | grep -v -E '(_test\.cpp$|^testing/)')
if ! cppcheck --quiet --error-exitcode=1 --std=c++17 --language=c++ --inline-suppr \
     --suppress=missingIncludeSystem --suppress=unknownMacro -I . $product; then
  echo "lint: cppcheck reported errors" >&2
  status=1
fi
exit $status
