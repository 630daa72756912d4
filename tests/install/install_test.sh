#!/usr/bin/env bash
# A DESTDIR install of this build, checked as a desktop and a packager would:
# every file in its place, the desktop entry and the AppStream metadata
# validated without errors or warnings, the icons of the right sizes, the manual
# pages free of formatter warnings; then the installed game started from
# other folders keeps config.dat in the player's data folder, while started in
# a folder of game data it keeps everything there; a bad AEROVELL_SCORE_HOST is
# refused with a clear message. Everything happens below one temporary folder
# (the install's manifest included), with HOME and XDG_DATA_HOME inside it.
#   install_test.sh BUILD_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$tmp/stderr.txt" ] && { echo "--- the game's stderr:"; cat "$tmp/stderr.txt"; }
  exit 1
}

setting() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
prefix=$(setting CMAKE_INSTALL_PREFIX)
bindir=$(setting AEROVELL_GAME_BINDIR)
datadir=$(setting AEROVELL_GAME_DATADIR)
[ -n "$prefix" ] && [ -n "$bindir" ] && [ -n "$datadir" ] || fail "no install folders in $build/CMakeCache.txt"
root=$tmp/root
top=$root$prefix
# The install script writes its manifest into the build folder; this copy of it
# writes the manifest here instead.
sed "s|file(WRITE \"$build/|file(WRITE \"$tmp/|" "$build/cmake_install.cmake" > "$tmp/cmake_install.cmake"
grep -q "file(WRITE \"$tmp/" "$tmp/cmake_install.cmake" || fail "the install script writes its manifest elsewhere"
DESTDIR=$root cmake -P "$tmp/cmake_install.cmake" > "$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "install"; }

id=org.aerovell.Aerovell
for f in "$bindir/aerovell" bin/aerovell-scores \
  "$datadir/data/menu.dxg" "$datadir/data/gamegraphic.dxg" \
  "$datadir/sound/gamesound.dxw" "$datadir/sound/1.xm" "$datadir/sound/2.xm" \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/128x128/apps/$id.png \
  share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
  share/man/man6/aerovell.6 share/man/man8/aerovell-scores.8; do
  [ -f "$top/$f" ] || fail "missing $prefix/$f"
done
[ -x "$top/$bindir/aerovell" ] && [ -x "$top/bin/aerovell-scores" ] || fail "programs not executable"
[ "$(grep -c "" "$tmp/install_manifest.txt")" -eq 15 ] || fail "the manifest lists $(grep -c "" "$tmp/install_manifest.txt") files, not 15"

# The validators: no line of theirs may be an error or a warning.
out=$(desktop-file-validate "$top/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
out=$(appstreamcli validate --no-net --explain "$top/share/metainfo/$id.metainfo.xml" 2>&1) || fail "appstreamcli: $out"
echo "$out" | grep -Eq '^(E|W):' && fail "appstreamcli says: $out"
echo "$out" | grep -q 'Validation was successful' || fail "appstreamcli: $out"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$top/share/metainfo/$id.metainfo.xml" ||
  fail "the metadata names another desktop entry"
grep -q "^Icon=$id$" "$top/share/applications/$id.desktop" || fail "the desktop entry names another icon"

# PNG width and height are the big-endian words at bytes 16 and 20.
for size in 48 128 256; do
  dims=$(od -An -tu1 -j16 -N8 "$top/share/icons/hicolor/${size}x${size}/apps/$id.png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size} px icon is $dims"
done
grep -q '<svg ' "$top/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"
grep -q 'viewBox="0 0 256 256"' "$top/share/icons/hicolor/scalable/apps/$id.svg" || fail "the SVG has no view box"

for page in man6/aerovell.6 man8/aerovell-scores.8; do
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$top/share/man/$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "$page: $out"
done
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$top/share/man/man6/aerovell.6" 2>/dev/null | grep -q AEROVELL_SCORE_HOST ||
  fail "the manual page does not tell of AEROVELL_SCORE_HOST"

# The installed game. It runs until it has shown its first frame (it says so
# under AEROVELL_REPORT_STARTUP) and config.dat is there; then SIGTERM ends it
# quietly (exit status 0).
run_until_config() {  # FOLDER CONFIG [ENV...]
  local folder=$1 config=$2
  shift 2
  : > "$tmp/stderr.txt"
  (cd "$folder" && exec env -u XDG_DATA_HOME HOME="$tmp/home" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    AEROVELL_REPORT_STARTUP=1 ASAN_OPTIONS=detect_leaks=0 "$@" "$top/$bindir/aerovell" 2>>"$tmp/stderr.txt") &
  pid=$!
  for _ in $(seq 300); do
    grep -q 'first frame presented' "$tmp/stderr.txt" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q 'first frame presented' "$tmp/stderr.txt" || fail "the game did not start"
  [ -s "$config" ] || fail "no $config"
  kill -TERM "$pid"
  wait "$pid"
  local code=$?
  pid=""
  [ "$code" -eq 0 ] || fail "exit status $code"
  # A file it could not load would be told here (and on its error screen).
  ! grep -v 'first frame presented' "$tmp/stderr.txt" | grep -q . || fail "the game complained"
}
mkdir -p "$tmp/home" "$tmp/elsewhere"
user=$tmp/home/.local/share/aerovell
run_until_config "$tmp/elsewhere" "$user/config.dat"
[ "$(stat -c %a "$user")" = 700 ] || fail "the player's folder has mode $(stat -c %a "$user")"
[ "$(stat -c %s "$user/config.dat")" -eq 158 ] || fail "config.dat holds $(stat -c %s "$user/config.dat") bytes"
[ -z "$(ls -A "$tmp/elsewhere")" ] || fail "the game wrote into its working folder: $(ls -A "$tmp/elsewhere")"
ls "$user" | grep -qv '^config.dat$' && fail "left beside config.dat: $(ls "$user")"

# A second start keeps the player's file (a changed byte stays changed).
printf '\000' | dd of="$user/config.dat" bs=1 seek=1 count=1 conv=notrunc 2>/dev/null
run_until_config "/" "$user/config.dat"
[ "$(od -An -tx1 -j1 -N1 "$user/config.dat" | tr -d ' ')" = 00 ] || fail "a second start replaced config.dat"

# XDG_DATA_HOME moves the player's folder; a relative one is ignored.
run_until_config "$tmp/elsewhere" "$tmp/xdg/aerovell/config.dat" XDG_DATA_HOME="$tmp/xdg"
rm -rf "$user"
run_until_config "$tmp/elsewhere" "$user/config.dat" XDG_DATA_HOME=relative/folder
[ -e "$tmp/elsewhere/relative" ] && fail "a relative XDG_DATA_HOME was used"

# Started in a folder of game data, as from the build tree: everything stays there.
mkdir -p "$tmp/gamecopy"
cp -r "$top/$datadir/." "$tmp/gamecopy/"
rm -rf "$user"
run_until_config "$tmp/gamecopy" "$tmp/gamecopy/config.dat"
[ -e "$user" ] && fail "a game started in its data folder made the player's folder"

# The score service address at run time: a good one is taken, a bad one refused.
run_until_config "$tmp/elsewhere" "$user/config.dat" AEROVELL_SCORE_HOST=scores.example.org:8642
for bad in "no-port" "bad host:80" "host:0" "host:70000" "a/b:80" "$(printf 'x%.0s' $(seq 300)):80"; do
  out=$(cd "$tmp/elsewhere" && HOME="$tmp/home" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    AEROVELL_SCORE_HOST="$bad" "$top/$bindir/aerovell" 2>&1)
  code=$?
  [ "$code" -eq 1 ] || fail "AEROVELL_SCORE_HOST=$bad: exit status $code"
  echo "$out" | grep -q "AEROVELL_SCORE_HOST=.* is no score service address: " || fail "AEROVELL_SCORE_HOST=$bad: $out"
done
echo "install: $prefix below a temporary DESTDIR, validated, the installed game's folders checked"
