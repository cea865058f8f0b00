#!/usr/bin/env bash
# Frames a second of stage play on the bundled game's heavy stage (Swarm),
# in a release build on one core: the play with its drawing, then the play
# alone. Each is a repeatable run in virtual time, which goes as fast as
# the machine allows; the figure is the real frames a second of that run.
# Usage: tools/stage_rate.sh [frames]   (default 3000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=${1:-3000}
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target player make_sample_game >/dev/null
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$root/build/release/make_sample_game" "$dir/game" >/dev/null
echo "$frames close" > "$dir/script"
rate() {
  (cd "$dir/game" && env "$@" ORV_VIRTUAL_TIME=1 ORV_INSTANCE_DIR="$dir" ORV_INPUT_SCRIPT="$dir/script" \
     taskset -c 0 "$root/build/release/player" --headless --test-play data/stg4/Swarm.stg4) |
    sed -n 's/^run: frames=\([0-9]*\) .* fps=\([0-9.]*\)$/\2 frames a second over \1 frames/p'
}
echo "with drawing: $(rate ORV_STAGE_RATE=1)"
echo "play alone:   $(rate ORV_SKIP_STAGE_DRAWING=1)"
