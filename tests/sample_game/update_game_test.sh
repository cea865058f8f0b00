#!/usr/bin/env bash
# Brings a game folder up to date as the run command does: the first run
# lays down the generator's output as it is; later runs write only what is
# missing or what the generator changed, keep every file the user changed
# (System.ini, stages in data\), carry changed and new default files into
# data\, delete nothing; a failing generator leaves the folder as it was.
# Usage: update_game_test.sh update_game.sh make_sample_game
set -u
export LC_ALL=C
update=$1
make_game=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
run() { GEN_VERSION=$1 bash "$update" "$dir/gen" "$dir/game" > "$dir/out" || fail "update failed (version $1)"; }
has() { [ "$(cat "$dir/game/$1")" = "$2" ] || fail "$1 holds '$(cat "$dir/game/$1" 2>&1)', not '$2'"; }

# A generator whose output changes with GEN_VERSION: a changed database, an
# unchanged stage, a changed picture and, from version 2, a new stage.
cat > "$dir/gen" <<'EOF'
#!/bin/sh
mkdir -p "$1/default/stg4" "$1/bmp"
echo "WindowMode=1 v$GEN_VERSION" > "$1/System.ini"
echo "db $GEN_VERSION" > "$1/default/db.dat"
echo "stage one" > "$1/default/stg4/one.stg4"
echo "pic $GEN_VERSION" > "$1/bmp/pic.bmp"
if [ "$GEN_VERSION" -ge 2 ]; then echo "stage two" > "$1/default/stg4/two.stg4"; fi
[ "$GEN_VERSION" != 0 ]
EOF
chmod +x "$dir/gen"

run 1
has System.ini "WindowMode=1 v1"
has default/db.dat "db 1"
[ -e "$dir/game/data" ] && fail "data\\ is the player's to make"

# The player's first start copies default\ to data\; then the user plays
# and edits.
cp -r "$dir/game/default" "$dir/game/data"
mkdir "$dir/game/user_data" && echo save > "$dir/game/user_data/save.dat"
echo "WindowMode=0" > "$dir/game/System.ini"
echo "my stage" > "$dir/game/data/stg4/one.stg4"
echo "mine" > "$dir/game/data/stg4/mine.stg4"

run 1
has System.ini "WindowMode=0"
grep -q "0 file(s) written" "$dir/out" || fail "an unchanged generator wrote files: $(cat "$dir/out")"

run 2
has System.ini "WindowMode=0"
grep -q "^kept System.ini" "$dir/out" || fail "the kept System.ini is not named"
has default/db.dat "db 2"
has bmp/pic.bmp "pic 2"
has default/stg4/two.stg4 "stage two"
has data/db.dat "db 2"
has data/stg4/two.stg4 "stage two"
has data/stg4/one.stg4 "my stage"
has data/stg4/mine.stg4 "mine"
has user_data/save.dat "save"

# A file the user removed from data\ stays removed; the user's edits stay
# through a failing generator.
rm "$dir/game/data/stg4/two.stg4"
run 3
[ -e "$dir/game/data/stg4/two.stg4" ] && fail "a removed data file came back"
has data/db.dat "db 3"
if GEN_VERSION=0 bash "$update" "$dir/gen" "$dir/game" > /dev/null 2>&1; then fail "a failing generator passed"; fi
has default/db.dat "db 3"
has System.ini "WindowMode=0"
[ "$(ls "$dir" | grep -c staging)" -eq 0 ] || fail "staging left behind"

# A folder from before the checksum list: what the generator rewrote on
# every run is taken as generated, System.ini as the user's.
rm -rf "$dir/game"
GEN_VERSION=1 "$dir/gen" "$dir/game"
cp -r "$dir/game/default" "$dir/game/data"
run 2
has default/db.dat "db 2"
has data/db.dat "db 2"
has System.ini "WindowMode=1 v1"

# The real generator: the first run lays down every file it made (the
# checksum list is its staged output), the second writes nothing.
bash "$update" "$make_game" "$dir/real" > /dev/null || fail "update of the bundled game failed"
[ "$(wc -l < "$dir/real/.generated.sha256")" -gt 50 ] || fail "the bundled game's files are not listed"
(cd "$dir/real" && sha256sum --quiet -c .generated.sha256) || fail "the first run differs from the generator's output"
bash "$update" "$make_game" "$dir/real" > "$dir/out" || fail "second update failed"
grep -q "0 file(s) written" "$dir/out" || fail "the unchanged bundled game was written again"
echo "update_game: 1 passed, 0 failed"
