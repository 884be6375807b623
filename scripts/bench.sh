#!/usr/bin/env bash
# Builds the benchmarks (build/bench) and runs them; arguments go to the benchmark
# program (e.g. --benchmark_filter='/1000/' for the smallest size only). Not part
# of CI: the numbers depend on the machine (docs/benchmarks.md).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BENCH_BUILD_DIR:-build/bench}"
scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDLIST_BUILD_BENCH=ON \
  -DDLIST_BUILD_TESTS=OFF -DDLIST_BUILD_CLI=OFF >/dev/null
cmake --build "$build" -j2 --target dlist_bench
exec "$build/bench/dlist_bench" "$@"
