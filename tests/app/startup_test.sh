#!/bin/sh
# Starts the player in fresh folders: on the bundled game it lays down its
# report log with the version line, the system report, the video report and
# the sound's line (with its sounds loaded, and without a sound device too),
# copies the default data after asking, runs its frames until the input
# script closes it, saves the window placement and ends with status 0, in
# every drawing mode; a second start asks whether to restart the first;
# when it cannot create the log, it says why on standard error and fails;
# without default data it reports and fails; a damaged palette is reported
# by its file name; SIGTERM and SIGINT close it normally; without a display
# it needs its headless switch.
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
export ORV_INSTANCE_DIR="$dir"
echo "90 close" > "$dir/close90"
(cd "$dir/ok" && ORV_INPUT_SCRIPT="$dir/close90" "$player") || fail "player failed in a writable folder"
cmp -s "$dir/ok/default/database/Bgm.dat" "$dir/ok/data/database/Bgm.dat" || fail "default data not copied"
for folder in user_data/rpl4 data/stg4/old_ver bmp/hbt wave bgm; do
  [ -d "$dir/ok/$folder" ] || fail "program folder $folder missing"
done
# One box, the question, answered yes (6).
[ "$(wc -l < "$dir/transcript")" -eq 1 ] && grep -q "^msgbox	.*	6$" "$dir/transcript" || fail "the default-data question was not asked once"
log="$dir/ok/Report_Game.txt"
[ "$(head -n 1 "$log")" = "App : ver 901" ] || fail "first line is not the version line"
# The system report, then the video report once the display is up, in order.
last=0
for prefix in "OS : " "CPU : " "Mem Total : " "Mem Free : " "Vir Total : " "Vir Free : " "HD Free : " "Display : " "System Font : " "Mode : Window" "Bpp : 32"; do
  at=$(grep -n "^$prefix" "$log" | head -n 1 | cut -d: -f1)
  [ -n "$at" ] || fail "no line starting '$prefix'"
  [ "$at" -gt "$last" ] || fail "'$prefix' out of order"
  last=$at
done
# Sound: what the program asks of the device and where the mix goes, once;
# every sound of the bundled game loads.
[ "$(grep -c "^Sound : " "$log")" -eq 1 ] &&
  grep -q "^Sound : headless; 22050 Hz 8 bit mono asked, mixed at 44100 Hz stereo unheard" "$log" ||
  fail "no single report line of the sound"
for failed in 'の読み込みに失敗' '生成失敗'; do
  grep -q "$(printf '%s' "$failed" | iconv -f UTF-8 -t CP932)" "$log" && fail "a sound of the bundled game did not load"
done
# The placement of the closed window: version 901, five fields, no strings.
[ "$(wc -c < "$dir/ok/user_data/Window.dat")" -eq 32 ] || fail "Window.dat is not 32 bytes"
[ "$(od -An -tu4 -N8 "$dir/ok/user_data/Window.dat" | tr -s ' ')" = " 901 5" ] || fail "Window.dat header"

# The same through a real window of SDL's off-screen video driver: its
# events are pumped and the first frames shown. The driver's graphics
# libraries keep blocks until exit and are unloaded before the leak check
# could name them, so only that check is off here.
(cd "$dir/ok" && env -u ORV_HEADLESS SDL_VIDEODRIVER=offscreen LSAN_OPTIONS=detect_leaks=0 \
   ORV_INPUT_SCRIPT="$dir/close90" "$player") ||
  fail "player failed with a window"
grep -q "^Sound : 22050 Hz 8 bit mono asked, mixed at 44100 Hz stereo on dummy" "$log" ||
  fail "the sound did not go to the device"
# Without a sound device it starts all the same and mixes for nobody.
(cd "$dir/ok" && env -u ORV_HEADLESS SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=no-such-driver \
   LSAN_OPTIONS=detect_leaks=0 ORV_INPUT_SCRIPT="$dir/close90" "$player") ||
  fail "player failed without a sound device"
grep -q "^Sound : no sound device (.*); 22050 Hz 8 bit mono asked, mixed at 44100 Hz stereo unheard" "$log" ||
  fail "the missing sound device is not reported"

# Every drawing mode starts: both drawing layers in a window and full
# screen at 16 and 32 bits (8 bits needs the blend tables, which the
# bundled game does not have). System.ini chooses; the report log tells
# which layer came up.
echo "5 close" > "$dir/close5"
cp "$dir/ok/System.ini" "$dir/System.ini.saved"
for mode in "1 1 0" "0 1 0" "1 2 0" "1 0 16" "1 0 32" "0 0 16" "0 0 32"; do
  set -- $mode
  name="Direct3D=$1 WindowMode=$2 Bpp=$3"
  sed -e "s/^Direct3D=.*/Direct3D=$1\r/" -e "s/^WindowMode=.*/WindowMode=$2\r/" -e "s/^Bpp=.*/Bpp=$3\r/" \
    "$dir/System.ini.saved" > "$dir/ok/System.ini"
  (cd "$dir/ok" && ORV_INPUT_SCRIPT="$dir/close5" "$player") || fail "$name did not start"
  if [ "$1" = 1 ]; then layer="Device HAL-"; else layer="VRAM Total : "; fi
  grep -q "^$layer" "$log" || fail "$name: no line starting '$layer'"
  if [ "$2" = 0 ]; then shown=Fullscreen; else shown=Window; fi
  grep -q "^Mode : $shown" "$log" || fail "$name: not shown as $shown"
done
cp "$dir/System.ini.saved" "$dir/ok/System.ini"

# A second start while the first runs asks to restart: no leaves the first
# running, yes ends it and takes its place.
echo "1000000 close" > "$dir/never"
(cd "$dir/ok" && ORV_INPUT_SCRIPT="$dir/never" exec "$player") &
first=$!
# Running once it holds the instance lock.
for _ in $(seq 200); do [ "$(cat "$dir"/orvendel-*.lock 2>/dev/null)" = "$first" ] && break; sleep 0.05; done
[ "$(cat "$dir"/orvendel-*.lock 2>/dev/null)" = "$first" ] || fail "the first program did not take the instance lock"
: > "$dir/transcript"
echo "msgbox no" > "$dir/answers"
(cd "$dir/ok" && ORV_DIALOG_SCRIPT="$dir/answers" ORV_INPUT_SCRIPT="$dir/close90" "$player") || fail "declining the restart is not a clean end"
kill -0 "$first" 2>/dev/null || fail "declining the restart ended the first program"
echo "msgbox yes" > "$dir/answers"
(cd "$dir/ok" && ORV_DIALOG_SCRIPT="$dir/answers" ORV_INPUT_SCRIPT="$dir/close90" "$player") || fail "the restarted program failed"
wait "$first" && fail "the first program was not ended"
[ "$(grep -c "$(printf '二重起動' | iconv -f UTF-8 -t CP932)" "$dir/transcript")" -eq 2 ] || fail "the restart question was not asked twice"

# SIGTERM and SIGINT close it as its close button does: the placement is
# saved and the program ends well.
for sig in TERM INT; do
  rm -f "$dir/ok/user_data/Window.dat"
  (cd "$dir/ok" && ORV_INPUT_SCRIPT="$dir/never" exec "$player") &
  pid=$!
  for _ in $(seq 200); do [ "$(cat "$dir"/orvendel-*.lock 2>/dev/null)" = "$pid" ] && break; sleep 0.05; done
  kill -"$sig" "$pid"
  wait "$pid" || fail "SIG$sig did not end the program well"
  [ -f "$dir/ok/user_data/Window.dat" ] || fail "SIG$sig did not save the placement"
done

# Without a display it says so and stops, unless asked to run headless.
mkdir "$dir/nodisplay"
if (cd "$dir/nodisplay" && env -u ORV_HEADLESS -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$player" 2>"$dir/err"); then
  fail "player succeeded without a display"
fi
grep -q "no display" "$dir/err" || fail "no word of the missing display on standard error"
[ -z "$(ls "$dir/nodisplay")" ] || fail "a program without a display left files"
(cd "$dir/ok" && env -u ORV_HEADLESS -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ORV_INPUT_SCRIPT="$dir/close90" \
   "$player" --headless) || fail "player failed headless by its switch"

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
# A damaged palette stops the start with a report that names the file.
cp -r "$dir/ok" "$dir/badpalette"
printf 'BM' > "$dir/badpalette/bmp/plt/Palette.bmp"
if (cd "$dir/badpalette" && ORV_INPUT_SCRIPT="$dir/close90" "$player"); then fail "player succeeded with a damaged palette"; fi
grep -qF "$(printf 'DDLoadPaletteFromFile失敗 (bmp\\plt\\Palette.bmp)' | iconv -f UTF-8 -t CP932)" "$dir/badpalette/Report_Game.txt" ||
  fail "the damaged palette file is not named"
echo "player_startup: 1 passed, 0 failed"
