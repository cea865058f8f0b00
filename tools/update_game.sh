#!/usr/bin/env bash
# Writes the bundled game into a game folder without undoing the user's own
# changes. The generator writes into a fresh staging folder; a file of it is
# copied into the game folder only where the game folder lacks it, or where
# the game folder still holds the generator's previous output and the new
# one differs. Files of default\ that change the same way are carried into
# data\ (the player's working copy of default\), new ones added there; a
# file the user changed (System.ini, a stage in data\, ...) is kept and
# named. Nothing is deleted. The checksums of the last output are kept in
# .generated.sha256 in the game folder.
# Usage: update_game.sh generator game_folder
set -euo pipefail
generator=$1
game=$2
manifest="$game/.generated.sha256"

mkdir -p "$game"
stage=$(mktemp -d "${game%/}.staging.XXXXXX")
list="$stage.list"
trap 'rm -rf "$stage" "$list"' EXIT
"$generator" "$stage" >/dev/null

sum() { sha256sum < "$1" | cut -d' ' -f1; }

# The previous output: path -> checksum. A folder without the list was
# written by a command that rewrote every generated file on each run, so
# what it holds is taken as generated, except System.ini, which a user may
# have changed since.
declare -A before=()
if [ -f "$manifest" ]; then
  while IFS= read -r line; do
    before["${line:66}"]=${line:0:64}
  done < "$manifest"
  known=1
else
  known=0
fi

# Copies the staged file to dest when dest is missing, or when it still
# holds the previous output (checksum old) and the new one differs; any
# other dest is the user's and kept. With skip_deleted (data\, where the
# user may have removed a file on purpose) a missing dest is written only
# when the previous output did not have it.
written=0
kept=()
place() {
  local from=$1 dest=$2 new=$3 old=$4 skip_deleted=$5
  if [ ! -e "$dest" ] && [ ! -L "$dest" ]; then
    if [ "$skip_deleted" = 1 ] && [ -n "$old" ]; then return; fi
  elif [ ! -f "$dest" ] || [ -L "$dest" ]; then
    kept+=("${dest#"$game"/}")
    return
  else
    local now
    now=$(sum "$dest")
    [ "$now" = "$new" ] && return
    if [ "$now" != "$old" ]; then
      kept+=("${dest#"$game"/}")
      return
    fi
  fi
  mkdir -p "$(dirname "$dest")"
  cp "$from" "$dest.new-$$"
  mv "$dest.new-$$" "$dest"
  written=$((written + 1))
}

(cd "$stage" && find . -type f -printf '%P\0' | sort -z | xargs -0 -r sha256sum) > "$list"
while IFS= read -r line; do
  new=${line:0:64}
  path=${line:66}
  old=${before[$path]:-}
  if [ "$known" = 0 ] && [ "$path" != System.ini ] && [ -f "$game/$path" ]; then
    old=$(sum "$game/$path")
  fi
  place "$stage/$path" "$game/$path" "$new" "$old" 0
  # The player copies default\ to data\ once, at its first start.
  if [[ "$path" == default/* ]] && [ -d "$game/data" ]; then
    place "$stage/$path" "$game/data/${path#default/}" "$new" "$old" 1
  fi
done < "$list"
cp "$list" "$manifest.new-$$"
mv "$manifest.new-$$" "$manifest"

echo "bundled game in $game: $written file(s) written"
for path in "${kept[@]}"; do
  echo "kept $path: changed here; the bundled game's own differs"
done
