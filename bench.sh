#!/usr/bin/env bash
# Builds the benchmarks (release, no sanitizers) into build-bench/ and runs
# them. Extra arguments go to the benchmark program, e.g.
#   ./bench.sh --benchmark_filter=SM4 --benchmark_repetitions=5
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_BENCH=ON >/dev/null
cmake --build build-bench --target bench
exec build-bench/orvane-bench "$@"
