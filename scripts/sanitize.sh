#!/usr/bin/env bash
# Builds Imprimata with clang's address and undefined-behaviour sanitizers into
# ./build-sanitize and runs the whole test suite there; then runs each fuzz target for
# FUZZ_SECONDS (default 60). Any finding fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DIMPRIMATA_SANITIZE=ON -DIMPRIMATA_FUZZ=ON >/dev/null
cmake --build build-sanitize -j2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-sanitize && ctest --output-on-failure -j2)

seconds=${FUZZ_SECONDS:-60}
for target in build-sanitize/tests/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target" | sed 's/^fuzz_//')
  corpus=build-sanitize/fuzz-corpus/$name
  log=build-sanitize/fuzz-$name.log
  mkdir -p "$corpus"
  echo "Fuzzing $name for $seconds s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
      "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    tail -n 60 "$log"
    exit 1
  fi
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec)" "$log"
done
