#!/bin/sh
# Repeatable whole-program runs of the bundled game, checked by the hashes
# of the pictures they show.
#
# A case is two files in tests/runs/cases: NAME.script, an input script
# (platform/input.h: keys held down and let go at given frames, "N hash"
# where a picture is checked, and a "close" that ends the run), and
# NAME.hashes, the expected hash list ("frame hash" lines) it gives. Adding
# a case is adding those two files: write the script, then make its list
# with --update and look at the pictures that run leaves. Two optional
# files shape the run: NAME.args holds arguments for the player (such as
# "--test-play data/stg4/Grassland.stg4"), NAME.ini "key=value" lines that
# replace those keys' lines in the game's System.ini.
#
# Each case runs the player headless in virtual time (ORV_VIRTUAL_TIME), so
# the same script gives the same pictures on every machine, on a freshly
# made game folder. A list that differs names the first frame that differs
# and leaves a PNG of that frame in the output folder. Expected lists are
# only written with --update, never by a test run.
#
# Usage: run_cases.sh [--update] [--out FOLDER] player make_sample_game CASE.script...
#   --update  write each case's hash list (and a PNG of each checked frame
#             into the output folder) instead of comparing
#   --out     where PNGs are left (default: ./run_pictures)
# For example, from the source folder after tools/test.sh:
#   sh tests/runs/run_cases.sh --update build/test/player build/test/make_sample_game tests/runs/cases/NAME.script
set -u
export LC_ALL=C
# The test build checks leaks; what system libraries keep is not ours.
: "${LSAN_OPTIONS:=suppressions=$(cd "$(dirname "$0")/../support" && pwd)/lsan.supp}"
export LSAN_OPTIONS
update=0
out=./run_pictures
while [ $# -gt 0 ]; do
  case "$1" in
    --update) update=1; shift ;;
    --out) out=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -ge 3 ] || { echo "usage: $0 [--update] [--out FOLDER] player make_sample_game CASE.script..." >&2; exit 2; }
player=$1
make_game=$2
shift 2
mkdir -p "$out" && out=$(cd "$out" && pwd) || { echo "cannot make the output folder $out" >&2; exit 2; }

failed=0
for script in "$@"; do
  name=$(basename "$script" .script)
  expected="${script%.script}.hashes"
  tmp=$(mktemp -d)
  # The frames checked, from the script's "N hash" lines.
  frames=$(sed 's/#.*//' "$script" | awk '$2 == "hash" && NF == 2 { print $1 }')
  if ! sed 's/#.*//' "$script" | awk '$2 == "close" { found = 1 } END { exit !found }'; then
    echo "FAIL $name: the script never closes the player"
    failed=1; rm -rf "$tmp"; continue
  fi
  # The same script, with a picture of every checked frame.
  cp "$script" "$tmp/script"
  for f in $frames; do echo "$f png $tmp/frame-$f.png" >> "$tmp/script"; done
  "$make_game" "$tmp/game" > /dev/null || { echo "FAIL $name: the bundled game could not be made"; failed=1; rm -rf "$tmp"; continue; }
  args=
  [ -f "${script%.script}.args" ] && args=$(sed 's/#.*//' "${script%.script}.args")
  if [ -f "${script%.script}.ini" ]; then
    sed 's/#.*//' "${script%.script}.ini" | awk -F= 'NR == FNR { if (NF >= 2) set[$1] = $0; next }
        ($1 in set) { print set[$1]; next } { print }' - "$tmp/game/System.ini" > "$tmp/System.ini" &&
      mv "$tmp/System.ini" "$tmp/game/System.ini"
  fi
  # shellcheck disable=SC2086  # the arguments are words
  if ! (cd "$tmp/game" && ORV_VIRTUAL_TIME=1 ORV_INSTANCE_DIR="$tmp" ORV_INPUT_SCRIPT="$tmp/script" \
        ORV_FRAME_HASHES="$tmp/got" "$player" --headless $args > "$tmp/stdout" 2> "$tmp/stderr"); then
    echo "FAIL $name: the player failed:"; cat "$tmp/stderr"; failed=1; rm -rf "$tmp"; continue
  fi
  grep '^run: ' "$tmp/stdout"
  if [ $update -eq 1 ]; then
    cp "$tmp/got" "$expected"
    for f in $frames; do cp "$tmp/frame-$f.png" "$out/$name-frame-$f.png" 2>/dev/null; done
    echo "updated $expected; pictures in $out/$name-frame-*.png"
    rm -rf "$tmp"; continue
  fi
  if [ ! -f "$expected" ]; then
    echo "FAIL $name: no expected list $expected (make it with --update)"
    failed=1; rm -rf "$tmp"; continue
  fi
  # The first frame, in frame order, whose hash differs or is missing on
  # either side: "frame expected got".
  first=$(awk 'NR == FNR { want[$1] = $2; all[$1] = 1; next } { got[$1] = $2; all[$1] = 1 }
               END {
                 n = 0; for (f in all) keys[++n] = f + 0
                 for (i = 2; i <= n; i++) { k = keys[i]; for (j = i - 1; j >= 1 && keys[j] > k; j--) keys[j + 1] = keys[j]; keys[j + 1] = k }
                 for (i = 1; i <= n; i++) {
                   f = keys[i]; w = (f in want) ? want[f] : "missing"; g = (f in got) ? got[f] : "missing"
                   if (w != g) { print f, w, g; exit }
                 }
               }' "$expected" "$tmp/got")
  if [ -n "$first" ]; then
    set -- $first "$@"
    picture="(no picture)"
    if [ -f "$tmp/frame-$1.png" ]; then cp "$tmp/frame-$1.png" "$out/$name-frame-$1.png"; picture="$out/$name-frame-$1.png"; fi
    echo "FAIL $name: frame $1 differs: expected $2, got $3; picture: $picture"
    shift 3
    failed=1
  else
    echo "ok $name"
  fi
  rm -rf "$tmp"
done
exit $failed
