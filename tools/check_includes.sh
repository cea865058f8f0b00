#!/usr/bin/env bash
# Checks the floors of the source tree: which folders a file may include
# from, and that only the platform layer includes the libraries it wraps.
# Usage: tools/check_includes.sh [root]   (default: the project root)
# Prints one line per bad include ("file:line: includes X") and exits 1 when
# there is any.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# A file takes the first row whose path prefix it has; it may include
# project headers that start with one of the row's prefixes ("*" anything).
rules='
platform/          platform/
core/              platform/ core/
project/           platform/ core/ project/
gfx/               platform/ core/ gfx/
app/requests.      platform/ core/ app/requests.h app/input_state.h
app/input_state.   platform/ core/ app/requests.h app/input_state.h
objects/           platform/ core/ project/ gfx/ objects/ flow/ stage/ frontend/ audio/ app/requests.h app/input_state.h
flow/              platform/ core/ project/ gfx/ objects/ flow/ stage/ frontend/ audio/ app/requests.h app/input_state.h
stage/             platform/ core/ project/ gfx/ objects/ flow/ stage/ frontend/ audio/ app/requests.h app/input_state.h
frontend/          platform/ core/ project/ gfx/ objects/ flow/ stage/ frontend/ audio/ app/requests.h app/input_state.h
audio/             platform/ core/ project/ gfx/ objects/ flow/ stage/ frontend/ audio/ app/requests.h app/input_state.h
app/               *
'
# Libraries that only the platform layer calls.
wrapped='^(SDL|SDL2/|ft2build\.h|freetype/|fontconfig/|fluidsynth|vorbis/|ogg/|iconv\.h|png\.h|pngconf\.h|jpeglib\.h|zlib\.h)'

cd "$root" || exit 2
bad=0
while IFS= read -r file; do
    allowed=""
    while read -r prefix allow; do
        [ -z "$prefix" ] && continue
        case "$file" in "$prefix"*) allowed=$allow; break ;; esac
    done <<<"$rules"
    [ -z "$allowed" ] && continue
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            inc=${BASH_REMATCH[1]}
            ok=0
            for a in $allowed; do
                if [ "$a" = "*" ] || [[ $inc == "$a"* ]]; then ok=1; break; fi
            done
            if [ $ok -eq 0 ]; then echo "$file:$line: includes \"$inc\""; bad=1; fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            inc=${BASH_REMATCH[1]}
            if [[ $file != platform/* && $inc =~ $wrapped ]]; then
                echo "$file:$line: includes <$inc>, which only platform/ may call"
                bad=1
            fi
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(find platform core project gfx objects flow stage frontend audio app -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)
exit $bad
