#!/bin/sh
# Starts the player in fresh folders: on the bundled game it lays down its
# report log with the version line and the system report, copies the
# default data after asking and loads the databases; when it cannot create
# the log, it says why on standard error and fails; without default data it
# reports and fails.
# Usage: startup_test.sh player make_sample_game
set -u
export LC_ALL=C  # the logs hold Shift-JIS bytes
player=$1
make_game=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/ok" "$dir/bad" "$dir/bad/Report_Game.txt" "$dir/empty" "$dir/datafile"
fail() { echo "FAIL: $*"; exit 1; }

"$make_game" "$dir/ok" || fail "the bundled game could not be made"
export ORV_DIALOG_TRANSCRIPT="$dir/transcript"
(cd "$dir/ok" && "$player") || fail "player failed in a writable folder"
cmp -s "$dir/ok/default/database/Bgm.dat" "$dir/ok/data/database/Bgm.dat" || fail "default data not copied"
for folder in user_data/rpl4 data/stg4/old_ver bmp/hbt wave bgm; do
  [ -d "$dir/ok/$folder" ] || fail "program folder $folder missing"
done
# One box, the question, answered yes (6).
[ "$(wc -l < "$dir/transcript")" -eq 1 ] && grep -q "^msgbox	.*	6$" "$dir/transcript" || fail "the default-data question was not asked once"
log="$dir/ok/Report_Game.txt"
[ "$(head -n 1 "$log")" = "App : ver 901" ] || fail "first line is not the version line"
for prefix in "OS : " "CPU : " "Mem Total : " "Mem Free : " "Vir Total : " "Vir Free : " "HD Free : " "Display : " "System Font : "; do
  grep -q "^$prefix" "$log" || fail "no line starting '$prefix'"
done

if (cd "$dir/bad" && "$player" 2>"$dir/err"); then fail "player succeeded without its report log"; fi
grep -q "cannot create the report log" "$dir/err" || fail "no reason on standard error"

# No data and no default data: reported, nothing made, start-up fails.
if (cd "$dir/empty" && "$player"); then fail "player succeeded without any data"; fi
[ -d "$dir/empty/data" ] && fail "a data folder was made from nothing"
grep -q "$(printf '「data」フォルダの作成に失敗' | iconv -f UTF-8 -t CP932)" "$dir/empty/Report_Game.txt" || fail "no report of the missing data"

# A file named data is the user's: kept as it is.
echo keep > "$dir/datafile/data"
mkdir -p "$dir/datafile/default/database"
if (cd "$dir/datafile" && "$player"); then fail "player succeeded with a file in place of the data folder"; fi
[ "$(cat "$dir/datafile/data")" = keep ] || fail "the user's data file was changed"
echo "player_startup: 1 passed, 0 failed"
