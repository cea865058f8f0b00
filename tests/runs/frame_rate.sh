#!/bin/sh
# The game keeps the project's 60 frames a second in every screen mode:
# Direct3D and DirectDraw, window and full screen, each VSync value, and a
# window that a real video driver shows at its own pace. Each mode plays the
# bundled game in virtual time, where the frames a second of the game's
# clock are exact, whatever the machine.
# Usage: frame_rate.sh player make_sample_game
set -u
export LC_ALL=C
: "${LSAN_OPTIONS:=suppressions=$(cd "$(dirname "$0")/../support" && pwd)/lsan.supp}"
export LSAN_OPTIONS
player=$1
make_game=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$make_game" "$dir/game" > /dev/null || { echo "FAIL: the bundled game could not be made"; exit 1; }
echo "90 close" > "$dir/script"

# One mode: name, Direct3D, WindowMode, VSync, Bpp, and "window" for a real
# window of SDL's off-screen driver (headless otherwise).
run() {
  cp -R "$dir/game" "$dir/$1"
  mkdir "$dir/$1.lock"
  sed -i "s/^Direct3D=.*/Direct3D=$2/; s/^WindowMode=.*/WindowMode=$3/; s/^VSync=.*/VSync=$4/; s/^Bpp=.*/Bpp=$5/" \
    "$dir/$1/System.ini"
  if [ "${6:-}" = window ]; then
    # The driver's graphics libraries keep blocks until exit (see startup_test.sh).
    (cd "$dir/$1" && env -u ORV_HEADLESS SDL_VIDEODRIVER=offscreen LSAN_OPTIONS=detect_leaks=0 ORV_VIRTUAL_TIME=1 \
       ORV_INSTANCE_DIR="$dir/$1.lock" ORV_INPUT_SCRIPT="$dir/script" "$player" > "$dir/$1.out" 2>&1)
  else
    (cd "$dir/$1" && ORV_VIRTUAL_TIME=1 ORV_INSTANCE_DIR="$dir/$1.lock" ORV_INPUT_SCRIPT="$dir/script" \
       "$player" --headless > "$dir/$1.out" 2>&1)
  fi
  echo $? > "$dir/$1.status"
}

modes="d3d-window-vsync0 1 1 0 0
d3d-window-vsync1 1 1 1 0
d3d-window-vsync2 1 1 2 0
d3d-full-vsync0 1 0 0 0
d3d-full-vsync1 1 0 1 0
d3d-full-vsync2 1 0 2 0
dd-full-vsync0 0 0 0 32
dd-full-vsync1 0 0 1 32
dd-full-vsync2 0 0 2 32
dd-window-vsync0 0 1 0 0
dd-window-vsync1 0 1 1 0
dd-window-vsync2 0 1 2 0
d3d-shown-window-vsync1 1 1 1 0 window
d3d-shown-window-vsync0 1 1 0 0 window"
# A few at a time: the suite runs beside.
echo "$modes" | {
  n=0
  while read -r mode args; do
    run "$mode" $args &
    n=$((n + 1))
    [ $((n % 4)) -eq 0 ] && wait
  done
  wait
}

failed=0
echo "$modes" | { while read -r mode args; do
  rate=$(sed -n 's/^run: .* clock_fps=\([0-9.]*\) .*/\1/p' "$dir/$mode.out")
  if [ "$(cat "$dir/$mode.status" 2>/dev/null)" != 0 ] || [ -z "$rate" ]; then
    echo "FAIL $mode: the player failed:"; cat "$dir/$mode.out"; failed=1
  elif awk -v r="$rate" 'BEGIN { exit !(r < 59.9 || r > 60.1) }'; then
    echo "FAIL $mode: $rate frames a second"; failed=1
  else
    echo "ok $mode: $rate frames a second"
  fi
done; exit $failed; }
