#!/usr/bin/env bash
# The real game under Xvfb played with SDL's virtual devices, attached by the
# game itself under AEROVELL_TEST_PAD and fed through a named pipe:
# 1. a gamepad in the standard layout, unplugged and plugged in again: A starts a game, the stick flies while A
#    fires, Start pauses and resumes, Back asks to leave and B says "Нет",
#    Back and A end the game; in the menus the D-pad and A reach the exit
#    question, A says "Да" and the game ends with status 0; the window carries
#    the game's icon;
# 2. a joystick SDL has no mapping for: its button 1 fires (the plain
#    joystick's buttons), while the menus ignore it;
# 3. the same joystick with a mapping given in SDL_GAMECONTROLLERCONFIG is a
#    gamepad, its mapped A starting a game.
# Run by xvfb_session.sh in a copy of the game folder (its argument).
set -u
cd "$1"
. ./lib.sh

mkfifo pad.fifo
exec 3<>pad.fifo  # held open both ways: the game never sees the feed end
pad() {
  echo "$*" >&3
  sleep 0.2
}
press() {  # INDEX: down and up, as a quick press
  pad b "$1" 1
  pad b "$1" 0
}
# Waits (bounded) for the game to report the change of state FROM -> TO.
wait_state() {
  for _ in $(seq 150); do
    grep -q "state $1 -> $2," stderr.txt && return 0
    sleep 0.1
  done
  fail "no change of state $1 -> $2"
}
start_with_pad() {  # KIND [ENV...]
  local kind=$1
  shift
  : > stderr.txt
  env "$@" AEROVELL_TEST_PAD="$kind:$PWD/pad.fifo" AEROVELL_REPORT_STATES=1 SDL_AUDIODRIVER=dummy \
    ./aerovell 2>>stderr.txt &
  pid=$!
  find_window
}
end_game() {
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "the game did not end"
  wait "$pid"
  code=$?
  [ "$code" -eq 0 ] || fail "exit status $code"
}

# The standard layout of SDL's virtual gamepad: buttons A 0, B 1, Back 4,
# Start 6, D-pad up 11, down 12, left 13, right 14; axes left stick 0 and 1.
A=0 B=1 BACK=4 START=6 DOWN=12
start_with_pad gamepad
grep -q 'test pad: gamepad' stderr.txt || fail "no virtual gamepad"
icon=$(xprop -id "$wid" _NET_WM_ICON 2>/dev/null | head -c 200)
echo "$icon" | grep -q 'Icon (64 x 64)' || fail "the window has no 64 x 64 icon: $icon"

# Hot-plug: unplugged, the pad does nothing; plugged in again, it plays.
pad p 0 0
for _ in $(seq 50); do grep -q 'test pad: unplugged' stderr.txt && break; sleep 0.1; done
press $A
sleep 0.5
grep -q 'state 1 -> 5' stderr.txt && fail "an unplugged pad started a game"
pad p 0 1
for _ in $(seq 50); do [ "$(grep -c 'test pad: gamepad' stderr.txt)" -ge 2 ] && break; sleep 0.1; done
[ "$(grep -c 'test pad: gamepad' stderr.txt)" -ge 2 ] || fail "the pad plugged in again was not taken"
press $A
wait_state 1 5           # the level caption
wait_state 5 2           # playing
pad b $A 1               # fire, held
pad a 1 -32768           # fly up
sleep 1
pad a 1 0
press $START
wait_state 2 7
grep -E 'state 2 -> 7, hero [0-9]+ [0-9]+, shots [1-9]' stderr.txt >/dev/null || fail "A fired nothing: $(grep 'state 2 -> 7' stderr.txt)"
pad b $A 0
press $START
wait_state 7 2
press $BACK
wait_state 2 3           # the exit question
press $B
wait_state 3 2           # "Нет"
press $BACK
wait_state 2 3
press $A                 # "Да": the game ends as lost
wait_state 3 6
for _ in $(seq 100); do grep -Eq 'state 6 -> (1|8),' stderr.txt && break; sleep 0.1; done
if grep -q 'state 6 -> 8,' stderr.txt; then  # the score made the table: OK, then "Нет" to sending
  press $DOWN; press $DOWN; press $A
  wait_state 8 9
  pad b 14 1; pad b 14 0; press $A
  wait_state 9 1
fi
grep -Eq 'state (6|9) -> 1,' stderr.txt || fail "not back in the menus"
press $BACK              # the exit question in the menus
press $A                 # "Да"
end_game

# A joystick without a mapping: its own buttons, 1 fires.
start_with_pad joystick
grep -q 'test pad: joystick' stderr.txt || fail "the joystick was taken for a gamepad: $(cat stderr.txt)"
guid=$(sed -n 's/.*test pad: joystick "[^"]*" \([0-9a-f]*\)$/\1/p' stderr.txt)
[ -n "$guid" ] || fail "no GUID for the joystick"
press 0
sleep 0.5
grep -q 'state 1 -> 5' stderr.txt && fail "a joystick button acted in the menus"
key Return
wait_state 1 5
wait_state 5 2
pad b 0 1
sleep 1
key p
wait_state 2 7
grep -E 'state 2 -> 7, hero [0-9]+ [0-9]+, shots [1-9]' stderr.txt >/dev/null || fail "button 1 fired nothing"
pad b 0 0
kill -TERM "$pid"
end_game

# The same joystick with an extra mapping: A on its button 5. Mappings name a
# device by its GUID with the name's checksum (bytes 2 and 3) left out.
guid=${guid:0:4}0000${guid:8}
start_with_pad joystick SDL_GAMECONTROLLERCONFIG="$guid,Mapped for the test,a:b5,b:b6,back:b7,start:b8,leftx:a0,lefty:a1,platform:Linux"
grep -q 'test pad: gamepad' stderr.txt || fail "SDL_GAMECONTROLLERCONFIG was not taken: $(cat stderr.txt)"
press 5
wait_state 1 5
kill -TERM "$pid"
end_game
exec 3>&-
echo "gamepad e2e: a virtual gamepad played, an unmapped joystick fired with button 1, a mapping from the environment was taken"
