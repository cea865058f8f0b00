#!/bin/sh
# Starts the player in fresh folders: it lays down its report log with the
# version line and the system report; when it cannot create the log, it
# says why on standard error and fails.
set -u
player=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/ok" "$dir/bad" "$dir/bad/Report_Game.txt"
fail() { echo "FAIL: $*"; exit 1; }

(cd "$dir/ok" && "$player") || fail "player failed in a writable folder"
log="$dir/ok/Report_Game.txt"
[ "$(head -n 1 "$log")" = "App : ver 901" ] || fail "first line is not the version line"
for prefix in "OS : " "CPU : " "Mem Total : " "Mem Free : " "Vir Total : " "Vir Free : " "HD Free : " "Display : " "System Font : "; do
  grep -q "^$prefix" "$log" || fail "no line starting '$prefix'"
done

if (cd "$dir/bad" && "$player" 2>"$dir/err"); then fail "player succeeded without its report log"; fi
grep -q "cannot create the report log" "$dir/err" || fail "no reason on standard error"
echo "player_startup: 1 passed, 0 failed"
