#!/usr/bin/env bash
# Builds the benchmarks in a release build and runs them; arguments go to
# the benchmark program (e.g. --benchmark_filter=Vector).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" bench
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF -DORV_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target benchmarks
exec "$root/build/bench/tests/benchmarks" "$@"
