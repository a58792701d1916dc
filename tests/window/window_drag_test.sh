#!/usr/bin/env bash
# Drives the real window on a private X display with real mouse events:
# dragging the placard and a double tap beside it must reach the views as
# touches, through SDL, exactly as from a screen.
#   window_drag_test.sh PADDOCK
set -euo pipefail
paddock=$1
work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- trace"; cat "$work/trace.txt" 2>/dev/null; echo "--- output"; cat "$work/out.txt" 2>/dev/null; exit 1; }

# Xvfb picks a free display number and writes it to the descriptor.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 10 -u "$fd" display || fail "Xvfb did not start"
export DISPLAY=":$display"

"$paddock" --zoom 1 --trace "$work/trace.txt" >"$work/out.txt" 2>&1 &
app_pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^paddock$' | head -n 1) ||
  fail "no paddock window appeared"
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ $WIDTH == 320 && $HEIGHT == 480 ]] || fail "window is ${WIDTH}x${HEIGHT}, not 320x480 at zoom 1"

# Points are window pixels at zoom 1; the placard rests at the centre.
at() { echo $((X + $1)) $((Y + $2)); }
xdotool mousemove $(at 160 240) mousedown 1 sleep 0.2 mousemove $(at 180 270) sleep 0.2 \
  mousemove $(at 60 140) sleep 0.2 mouseup 1 sleep 0.3
xdotool mousemove $(at 60 460) click --repeat 2 --delay 80 1
sleep 0.5

# SDL turns the terminate signal into an orderly quit.
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=""
[[ $status == 0 ]] || fail "paddock exited with status $status"

grep -q 'touch began view=PlacardView tap=1 x=160.0 y=240.0' "$work/trace.txt" || fail "press on the placard"
grep -q 'touch moved view=PlacardView tap=1 x=60.0 y=140.0' "$work/trace.txt" || fail "drag"
grep -q 'touch ended view=PlacardView tap=1 x=60.0 y=140.0' "$work/trace.txt" || fail "release"
grep -q 'touch began view=PaddockView tap=2 x=60.0 y=460.0' "$work/trace.txt" || fail "double tap beside the placard"
[[ $(grep -c 'touch began' "$work/trace.txt") == 3 ]] || fail "each press must be one touch, not two"
echo "window drag: 1 passed, 0 failed"
