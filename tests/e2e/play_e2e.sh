#!/usr/bin/env bash
# A short game of the real binary under Xvfb, played with xdotool: start from the
# menu, the level caption, flying and firing by keys and by mouse, pause and
# resume, Esc and "Да", the game-over caption, back in the menus, exit 0. The
# game tells its state changes on stderr (AEROVELL_REPORT_STATES); a second run
# steers with the game's own pointer, as on a desktop that cannot warp it.
# Each game's replay is then played headless and must end as the game did.
# Run by xvfb_session.sh in a copy of the game folder (its argument).
set -u
cd "$1"
. ./lib.sh
export AEROVELL_REPORT_STATES=1
# Waits until the game reports a change to state $1; prints that report line.
wait_state() {
  for _ in $(seq 300); do
    line=$(grep -E "state [0-9]+ -> $1," stderr.txt | tail -1 || true)
    if [ -n "$line" ] && [ "$(grep -c "state [0-9]* -> $1," stderr.txt)" -gt "${2:-0}" ]; then
      echo "$line"
      return 0
    fi
    sleep 0.05
  done
  fail "never reached state $1"
}
count() { grep -c "state [0-9]* -> $1," stderr.txt || true; }
# The report that ends a phase of flying begun at line $1 of stderr.txt: the
# pause, or a crash before it (enemies fire, and on a busy machine a phase
# lasts long enough to be shot down), which tells the position and the shots
# of that moment, before a crash clears them.
phase_end() { tail -n +"$(($1 + 1))" stderr.txt | grep -E -m1 "state [0-9]+ -> (4|7),"; }
lines() { wc -l <stderr.txt; }
# Flies one phase ($1: keys or mouse) and pauses; sets x_start and report.
# Enemies fire, and on a busy machine a phase can last long enough to be shot
# down, which clears the shots: then the phase is flown again on the next
# life, at most three times.
fly() {
  for _ in 1 2 3; do
    x_start=$(hero_x "$(tail -1 stderr.txt)")
    mark=$(lines)
    if [ "$1" = keys ]; then
      xdo keydown --window "$wid" Right ctrl
      sleep 0.6
      xdo keyup --window "$wid" Right
      pause >/dev/null
      xdo keyup --window "$wid" ctrl
    else
      xdo mousedown --window "$wid" 1
      for _ in $(seq 8); do xdo mousemove_relative -- 40 0; sleep 0.05; done
      sleep 0.2
      pause >/dev/null
      xdo mouseup --window "$wid" 1
    fi
    report=$(phase_end "$mark")
    case "$report" in *"-> 7,"*) return 0 ;; esac
    resume
  done
  fail "shot down in each of three tries of the $1 phase: $report"
}
hero_x() { echo "$1" | sed -E 's/.*hero (-?[0-9]+) .*/\1/'; }
shots() { echo "$1" | sed -E 's/.*shots ([0-9]+).*/\1/'; }
# Pauses the game and prints the report of the pause.
pause() {
  local before; before=$(count 7)
  key p
  wait_state 7 "$before"
}
resume() {
  local before; before=$(count 2)
  key p
  wait_state 2 "$before" >/dev/null
}

# One game from the start of the program to its exit; sets x_keys and x_mouse.
play_once() {
  : >stderr.txt
  start_game
  key Return                                   # "start game"
  wait_state 5 >/dev/null                      # the level caption
  wait_for_red caption.png 180x40+300+280 || fail "no level caption"
  wait_state 2 >/dev/null                      # play

  # By keys: fly right while firing.
  fly keys
  x_keys=$(hero_x "$report")
  [ "$x_keys" -gt "$((x_start + 36))" ] || fail "the keys did not fly the aircraft right: $report"
  [ "$(shots "$report")" -gt 0 ] || fail "the keys fired nothing: $report"
  shot paused.png
  [ "$(has_red paused.png 120x40+330+280)" = "1" ] || fail "no pause caption"
  resume

  # By mouse: steps right from the centre while the left button fires.
  fly mouse
  x_mouse=$(hero_x "$report")
  [ "$x_mouse" -gt "$x_start" ] || fail "the mouse did not steer right ($x_start -> $x_mouse)"
  [ "$(shots "$report")" -gt 0 ] || fail "the mouse button fired nothing: $report"
  resume

  key Escape                                   # the exit question
  wait_state 3 >/dev/null
  key Return                                   # "Да": the game ends as lost
  wait_state 6 >/dev/null
  for _ in $(seq 200); do
    if [ "$(count 1)" -gt 1 ]; then break; fi  # back in the menus (the first was the start)
    if [ "$(count 8)" -gt 0 ] && [ -z "${cancelled:-}" ]; then  # a score for the table: cancel it
      key Down; key Down; key Down; key Return
      cancelled=1
    fi
    sleep 0.05
  done
  [ "$(count 1)" -gt 1 ] || fail "not back in the menus"
  key Escape
  key Return                                   # leave: "Да"
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "still running after leaving"
  wait "$pid"; code=$?
  [ "$code" -eq 0 ] || fail "exit code $code"
}

# The game just played left its replay (the newest in replays/): played again
# headless from its start, it runs the same ticks to the same final score, or
# aerovell-play says where it parted and fails. Sets $replayed.
replay_check() {
  local file
  file=$(ls -t replays/ 2>/dev/null | head -1)
  [ -n "$file" ] || fail "the game left no replay in replays/"
  "$AEROVELL_PLAY" --replay "replays/$file" --dir . 2>replayed.txt ||
    fail "replays/$file did not play back as the game ended: $(cat replayed.txt)"
  replayed=$(grep -o 'replayed .*' replayed.txt)
}

play_once
replay_check
first="$x_keys, the mouse to $x_mouse ($replayed)"
rm -f config.dat
export AEROVELL_OWN_POINTER=1
play_once
replay_check
echo "played a game: keys flew to x $first; with its own pointer to $x_keys and $x_mouse ($replayed)"
