# Shared by the end-to-end scripts: driving the real game under Xvfb with xdotool.
# The caller sets $wid (find_window), $pid (start_game) and has stderr.txt.

# A loaded X server sometimes turns a connection away; xdotool then fails before
# it has done anything, so trying again is safe.
xdo() {
  for _ in 1 2 3 4 5; do
    xdotool "$@" && return 0
    sleep 0.1
  done
  return 1
}
fail() {
  echo "FAIL: $*"
  if [ -n "${pid:-}" ]; then
    kill -0 "$pid" 2>/dev/null && echo "(the game is still running)" || echo "(the game is not running)"
    kill "$pid" 2>/dev/null
  fi
  echo "--- windows on the screen:"
  for w in $(xdotool search --name '.*' 2>/dev/null); do
    name=$(xdo getwindowname "$w" 2>/dev/null) && [ -n "$name" ] && echo "  $w: $name"
  done
  [ -s stderr.txt ] && { echo "--- the game's stderr:"; cat stderr.txt; }
  exit 1
}
# Waits are polls with generous bounds: a machine busy with other tests may be
# slow, and only a game that never gets there should fail.
# The game may replace its first window while it sets the display up, so a
# window counts once the same one is found twice in a row and answers. (A
# search that finds nothing fails; the loop is its retry.)
find_window() {
  wid=""
  local seen=""
  for _ in $(seq 200); do
    wid=$(xdotool search --name '^Aerovell$' 2>/dev/null | head -1 || true)
    if [ -n "$wid" ] && [ "$wid" = "$seen" ] && xdo getwindowgeometry "$wid" >/dev/null 2>&1; then
      break
    fi
    seen=$wid
    wid=""
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window"
  xdo windowfocus "$wid"
  sleep 0.4
}
start_game() {
  SDL_AUDIODRIVER=dummy ./aerovell 2>>stderr.txt &
  pid=$!
  find_window
}
key() { xdo key --window "$wid" "$@"; sleep 0.15; }
shot() { xwd -id "$wid" -silent | /usr/bin/convert xwd:- "$1"; }
pixel() { /usr/bin/convert "$1" -format "%[hex:u.p{$2,$3}]" info: | cut -c1-6; }
# 1 when the area WxH+X+Y of a picture holds pure red (the game's caption colour).
has_red() { /usr/bin/convert "$1" -crop "$2" -fill black +opaque '#FF0000' -format '%[fx:mean>0]' info:; }
# Waits (bounded) until the window shows pure red in an area; false if it never does.
wait_for_red() {
  for _ in $(seq 50); do
    shot "$1"
    [ "$(has_red "$1" "$2")" = "1" ] && return 0
    sleep 0.05
  done
  return 1
}
