#!/bin/sh
# The run driver itself: one script run twice gives the same hash list; a
# list that differs in one frame (as a changed pixel makes it) fails, names
# that frame, leaves its picture and is not rewritten.
# Usage: selftest.sh player make_sample_game CASE.script
set -u
export LC_ALL=C
player=$1
make_game=$2
case=$3
here=$(dirname "$0")
name=$(basename "$case" .script)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for copy in a b; do
  mkdir "$dir/$copy"
  cp "$case" "$dir/$copy/"
  sh "$here/run_cases.sh" --update --out "$dir/pictures" "$player" "$make_game" "$dir/$copy/$name.script" \
    > "$dir/log" 2>&1 || fail "run $copy failed: $(cat "$dir/log")"
done
list="$dir/a/$name.hashes"
[ "$(grep -c . "$list")" -ge 2 ] || fail "the case checks fewer than two frames"
cmp -s "$list" "$dir/b/$name.hashes" || fail "two runs of one script gave different hash lists"

# The second checked frame's hash changed.
frame=$(awk 'NR == 2 { print $1 }' "$list")
awk 'NR == 2 { $2 = ($2 == "0123456789abcdef") ? "fedcba9876543210" : "0123456789abcdef" } { print }' "$list" > "$dir/altered"
cp "$dir/altered" "$list"
if sh "$here/run_cases.sh" --out "$dir/out" "$player" "$make_game" "$dir/a/$name.script" > "$dir/log" 2>&1; then
  fail "a list with one frame changed passed"
fi
grep -q "FAIL $name: frame $frame differs" "$dir/log" || fail "the failure does not name frame $frame: $(cat "$dir/log")"
[ -s "$dir/out/$name-frame-$frame.png" ] || fail "no picture of frame $frame was left"
cmp -s "$list" "$dir/altered" || fail "a test run rewrote the expected list"
echo "run driver: 1 passed, 0 failed"
