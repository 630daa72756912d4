#!/usr/bin/env bash
# The real game under Xvfb, played with xdotool: the 800 x 600 "Aerovell" window
# (no GL and no libcurl loaded), the options screen reached by keys (its picture checked), a setting switched,
# the way back by mouse, the exit question answered yes (exit code 0, the setting
# in config.dat); then a second run ended by SIGTERM (exit code 0, no
# temporary files left); a third run records its sound; a fourth runs full
# screen; a fifth, on ALSA without a sound card, prints nothing; a sixth, with
# its menu pictures missing, shows the error in its window and ends with status
# 1; a last one, without a display, must end with one line of error.
# Run by xvfb_session.sh in a copy of the game folder (its argument).
set -u
cd "$1"
. ./lib.sh

start_game
geometry=$(xdo getwindowgeometry "$wid" | awk '/Geometry/{print $2}')
[ "$geometry" = "800x600" ] || fail "window is $geometry"
# A virtual X server offers no graphics card: the game draws with SDL's
# software renderer and never loads a GL, and libcurl waits for a record to send.
maps=$(cat /proc/"$pid"/maps)
for lib in libGL swrast_dri libLLVM libcurl; do
  echo "$maps" | grep -q "$lib" && fail "$lib is loaded in the menus"
done

key Down
key Return                 # options
key Down Down
key Return                 # sound off
# The red selection frame of the sound row runs along y 26 x 3 + 226 = 304 from
# x 325, and "Выкл" is red, 70 pixels right of 330 on the sound row.
frame="" red=""
for _ in $(seq 50); do
  shot options.png
  frame=$(pixel options.png 400 304)
  red=$(/usr/bin/convert options.png -crop 60x18+400+306 -fill black +opaque '#FF0000' -format '%[fx:mean>0]' info:)
  [ "$frame" = "FF0000" ] && [ "$red" = "1" ] && break
  sleep 0.1
done
[ "$frame" = "FF0000" ] || fail "no selection frame on the sound row"
[ "$red" = "1" ] || fail "the sound switch does not read off"

xdo mousemove --window "$wid" 160 425 click 1   # "Назад..."
sleep 0.3
key Escape                 # the exit question
key Return                 # yes
for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "still running after the exit question"
wait "$pid"; code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
bytes=$(od -An -tx1 -N3 config.dat | tr -d ' ')
[ "$bytes" = "000001" ] || fail "config.dat starts $bytes, expected sound off"

start_game
kill -TERM "$pid"
t0=$(date +%s%N)
# How fast it ends is for measuring, not for passing: only a game that does not
# end at all within a generous bound fails.
for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; fail "SIGTERM did not end the game within 30 s"; }
wait "$pid"; code=$?
ms=$(( ($(date +%s%N) - t0) / 1000000 ))
[ "$code" -eq 0 ] || fail "SIGTERM exit code $code"
ls | grep -q '^config.dat.' && fail "a temporary file was left"
# A third run records its sound through SDL's disk driver: the menu music and the
# click of each selection move must be in the file.
rm -f config.dat  # sound on again
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=sound.raw ./aerovell 2>>stderr.txt &
pid=$!
find_window
key Down; key Down; key Up
sleep 1
kill -TERM "$pid"; wait "$pid"
peak=$(od -An -v -td2 -w2 sound.raw | awk 'function abs(x){return x<0?-x:x} {p=abs($1)>p?abs($1):p} END{print p+0}')
# The music alone peaks near 5000 here; the clicks lift it well above.
[ "$peak" -gt 12000 ] || fail "no effect in the recorded sound (peak $peak)"

# Full screen on this X server, which runs no window manager: the window covers
# the whole 1024 x 768 screen (before, it stayed 800 x 600 and showed only the
# top left of the scaled picture), and the picture fills it.
printf '\001' | dd of=config.dat bs=1 count=1 conv=notrunc 2>/dev/null  # Windowed 0
start_game
geometry=""
for _ in $(seq 100); do
  geometry=$(xdo getwindowgeometry "$wid" | tr -s ' \n' ' ')
  case "$geometry" in *"Position: 0,0 "*"Geometry: 1024x768"*) break ;; esac
  sleep 0.1
done
case "$geometry" in *"Position: 0,0 "*"Geometry: 1024x768"*) ;; *) fail "full screen window: $geometry" ;; esac
sleep 0.5
xwd -root -silent | /usr/bin/convert xwd:- root.png
# The menu's sky reaches the top corners and its landscape the bottom ones.
for corner in "5 5" "1018 5" "5 762" "1018 762"; do
  [ "$(pixel root.png $corner)" != "000000" ] || fail "full screen: black at $corner"
done
kill -TERM "$pid"; wait "$pid"
rm -f config.dat

# Without a sound card the sound library's own diagnostics stay quiet (they
# were eight lines on every start); AEROVELL_VERBOSE=1 shows them.
if ! ls /dev/snd/pcm* >/dev/null 2>&1; then
  SDL_AUDIODRIVER=alsa ./aerovell 2>alsa.txt &
  pid=$!
  find_window
  kill -TERM "$pid"; wait "$pid"
  grep -q "ALSA lib" alsa.txt && fail "the sound library printed: $(cat alsa.txt)"
  rm -f config.dat
fi

# A start-up error: the window itself shows it (the red heading at its top left),
# whether or not the desktop could show a message box, and Esc ends the run with
# status 1.
mv data/menu.dxg data/menu.dxg.away
start_game
wait_for_red error.png 300x30+40+60 || fail "the start-up error is not in the window"
key Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
wait "$pid"; code=$?
[ "$code" -eq 1 ] || fail "after a start-up error the game ended with $code"
mv data/menu.dxg.away data/menu.dxg

# Without a display the game says so and ends with an error, instead of running
# on SDL's off-screen driver where nobody could see or close it. (A console with
# a usable DRM device could show it there, so the check needs none.)
if ! ls /dev/dri/card* >/dev/null 2>&1; then
  env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR SDL_AUDIODRIVER=dummy timeout 20 ./aerovell 2>nodisplay.txt
  code=$?
  [ "$code" -eq 1 ] || fail "without a display the game ended with $code"
  grep -q "aerovell: cannot open a display" nodisplay.txt || fail "without a display: $(cat nodisplay.txt)"
  # Just that line: with no runtime folder, Wayland is not probed (its probe
  # printed "XDG_RUNTIME_DIR is invalid" three times).
  [ "$(wc -l <nodisplay.txt)" -eq 1 ] || fail "without a display, more than the one line: $(cat nodisplay.txt)"
fi

echo "played through the options and the exit question; SIGTERM ended the game in $ms ms; sound peak $peak"
