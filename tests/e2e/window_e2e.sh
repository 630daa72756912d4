#!/usr/bin/env bash
# Runs the real game under Xvfb: the 800 x 600 window titled "Aerovell" comes up,
# config.dat is created with its 158 bytes, the close box asks first, and SIGTERM
# ends the game at once with exit code 0.
set -euo pipefail
game=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$game" "$work/"

inner="$work/inner.sh"
cat >"$inner" <<'INNER'
#!/usr/bin/env bash
set -u
cd "$1"
SDL_AUDIODRIVER=dummy ./aerovell 2>stderr.txt &
pid=$!
for _ in $(seq 50); do
  wid=$(xdotool search --name '^Aerovell$' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "${wid:-}" ] || { echo "no window"; kill $pid; exit 1; }
geometry=$(xdotool getwindowgeometry "$wid" | awk '/Geometry/{print $2}')
[ "$geometry" = "800x600" ] || { echo "window is $geometry"; kill $pid; exit 1; }
xdotool windowfocus "$wid"
sleep 0.3
xdotool key --window "$wid" Escape   # the close question, not a close
sleep 0.3
kill -0 $pid || { echo "Escape closed the window without asking"; exit 1; }
kill -TERM $pid
start=$(date +%s%N)
wait $pid
code=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ $code -eq 0 ] || { echo "exit code $code"; exit 1; }
[ $elapsed_ms -lt 2000 ] || { echo "SIGTERM took $elapsed_ms ms"; exit 1; }
size=$(stat -c %s config.dat)
[ "$size" -eq 158 ] || { echo "config.dat has $size bytes"; exit 1; }
ls | grep -q 'config.dat.' && { echo "a temporary file was left behind"; exit 1; }
echo "window ok, SIGTERM exit in ${elapsed_ms} ms"
INNER
chmod +x "$inner"
xvfb-run -a -s "-screen 0 1024x768x24" "$inner" "$work"
