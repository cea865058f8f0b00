#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for the given
# number of seconds (default 60) on a corpus grown from its seeds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
"$root/tools/setup.sh" fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORV_TESTS=OFF -DORV_LIBFUZZER=ON >/dev/null
cmake --build "$root/build/fuzz"
for src in "$root"/tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  corpus="$root/build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  cp -n "$root/tests/fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  echo "== $name"
  "$root/build/fuzz/tests/$name" -max_total_time="$seconds" "$corpus"
done
