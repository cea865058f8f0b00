#!/usr/bin/env bash
# Sets up, builds the player, brings the bundled game in build/game up to
# date without undoing the user's changes, and runs the player there with
# this command's arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF >/dev/null
cmake --build "$root/build/release"
game="$root/build/game"
"$root/tools/update_game.sh" "$root/build/release/make_sample_game" "$game"
cd "$game"
exec "$root/build/release/player" "$@"
