#!/bin/sh
# The floors of the real tree hold, and the checker names every bad include
# of a small tree made to break them.
set -u
here=$(cd "$(dirname "$0")" && pwd)
checker="$here/../../tools/check_includes.sh"
fail=0

if ! out=$(bash "$checker" "$here/../.."); then
    echo "the source tree breaks its floors:"; echo "$out"; fail=1
fi

expected='app/anything.h:2: includes <SDL2/SDL.h>, which only platform/ may call
core/uses_gfx.h:2: includes "gfx/dd.h"
gfx/uses_sdl.h:2: includes <SDL2/SDL.h>, which only platform/ may call
objects/uses_shell.h:2: includes "app/startup.h"'
out=$(bash "$checker" "$here/bad"); rc=$?
if [ $rc -ne 1 ]; then echo "bad tree: exit $rc, expected 1"; fail=1; fi
if [ "$(printf '%s\n' "$out" | sort)" != "$expected" ]; then
    echo "bad tree: got"; echo "$out"; echo "expected"; echo "$expected"; fail=1
fi
exit $fail
