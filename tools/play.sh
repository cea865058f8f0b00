#!/usr/bin/env bash
# Sets up, builds the player, writes the bundled game into build/game and
# runs the player there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF >/dev/null
cmake --build "$root/build/release"
game="$root/build/game"
mkdir -p "$game"
cd "$game"
# The player copies default\ to data\ only when data\ is missing, so a
# rebuilt game whose default data changed replaces the old copy; the
# player's own files under user_data\ stay.
fingerprint() { [ -d default ] && find default -type f -print0 | sort -z | xargs -0 cat | cksum; }
before=$(fingerprint || true)
"$root/build/release/make_sample_game" "$game"
if [ "$before" != "$(fingerprint)" ]; then rm -rf data; fi
exec "$root/build/release/player" "$@"
