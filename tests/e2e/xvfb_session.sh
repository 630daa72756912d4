#!/usr/bin/env bash
# Runs an end-to-end script of the real game under an X server of its own: in a
# fresh copy of the game folder (no config.dat), with lib.sh beside it.
#   xvfb_session.sh GAME_DIR SCRIPT
set -euo pipefail
game_dir=$1
script=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game_dir"/. "$work/"
rm -f "$work/config.dat"
cp "$here/lib.sh" "$work/lib.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$here/$script" "$work"
