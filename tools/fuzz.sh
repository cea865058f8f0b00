#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for the given
# number of seconds (default 60) on one core, on a corpus grown from its
# seeds; then lists each target's runs, runs per second and runs per second
# of CPU time. Undefined behaviour stops a target as a crash does, and the
# script with it.
# A target's own libFuzzer options, such as the longest input that means
# anything to it, are in tests/fuzz/<target>.options ("[libfuzzer]", then
# "name = value" lines).
# Usage: tools/fuzz.sh [seconds] [target...]   (targets: fuzz_stage ...)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
"$root/tools/setup.sh" fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORV_TESTS=OFF -DORV_LIBFUZZER=ON >/dev/null
cmake --build "$root/build/fuzz"
if [ $# -gt 0 ]; then
  names=("$@")
else
  names=()
  for src in "$root"/tests/fuzz/fuzz_*.cpp; do names+=("$(basename "$src" .cpp)"); done
fi
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# A quarantine of 64 MB still catches a use after free within an input and
# keeps freed memory warm; the default 256 MB halves the speed of the record
# readers, which allocate much.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}
TIMEFORMAT='%U %S'
summary=""
for name in "${names[@]}"; do
  corpus="$root/build/fuzz/corpus/$name"
  log="$root/build/fuzz/$name.log"
  mkdir -p "$corpus"
  cp -n "$root/tests/fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  options=()
  if [ -f "$root/tests/fuzz/$name.options" ]; then
    while IFS= read -r line; do
      options+=("$line")
    done < <(sed -n 's/^[[:space:]]*\([a-z_]*\)[[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/-\1=\2/p' \
               "$root/tests/fuzz/$name.options")
  fi
  echo "== $name ${options[*]}"
  # One process per corpus: nothing else adds to it, so it is not read again
  # every second (-reload=0).
  if ! { time "$root/build/fuzz/tests/$name" "${options[@]}" -reload=0 -max_total_time="$seconds" "$corpus" 2>"$log"; } \
    2>"$log.cpu"; then
    tail -n 60 "$log"
    echo "fuzz: $name failed; its log is $log" >&2
    exit 1
  fi
  # "Done 123456 runs in 60 second(s)"; the CPU time counts on a busy machine.
  done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n 1)
  echo "$done_line"
  summary+=$(echo "$done_line" | awk -v name="$name" -v cpu="$(cat "$log.cpu")" '{
    split(cpu, t, " "); c = t[1] + t[2]; if (c <= 0) c = 1; s = $5 > 0 ? $5 : 1
    printf "%-22s %10d runs %5d s %8d runs/s %8d runs/CPU-s\n", name, $2, $5, $2 / s, $2 / c }')$'\n'
done
printf '\n%s' "$summary"
