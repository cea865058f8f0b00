#!/usr/bin/env bash
# Sets up, builds the player and runs it on the game in build/game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF >/dev/null
cmake --build "$root/build/release"
mkdir -p "$root/build/game"
cd "$root/build/game"
exec "$root/build/release/player" "$@"
