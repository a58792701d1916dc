#!/usr/bin/env bash
# The real window on a private X display, on a machine without a sound card:
# one line says sound is off (ALSA prints nothing of its own) and a show still
# starts and ticks (its first tick gives a boing cue); then another X client
# destroys the window, and the program must quit cleanly, not die of an X error.
#   window_faults_test.sh PADDOCK
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
fail() { echo "FAIL: $*"; echo "--- output"; cat "$work/out.txt" 2>/dev/null; echo "--- trace"; head -30 "$work/trace.txt" 2>/dev/null; exit 1; }

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 10 -u "$fd" display || fail "Xvfb did not start"
export DISPLAY=":$display"

# ALSA with no card: the program asks for it by name.
SDL_AUDIODRIVER=alsa "$paddock" --zoom 1 --trace "$work/trace.txt" >"$work/out.txt" 2>&1 &
app_pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Paddock$' | head -n 1) ||
  fail "no Paddock window appeared"
# Press only once the window shows its first frame: a press sent the moment the
# window maps can reach X before the window takes input, on a loaded machine.
for _ in $(seq 100); do
  grep -q ' view shown view=UIWindow' "$work/trace.txt" 2>/dev/null && break
  sleep 0.1
done
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 160)) $((Y + 240)) mousedown 1 sleep 0.3 mousemove $((X + 200)) $((Y + 300)) \
  sleep 0.2 mouseup 1
for _ in $(seq 200); do
  grep -q ' cue boing' "$work/trace.txt" 2>/dev/null && break
  sleep 0.1
done
grep -q ' show start' "$work/trace.txt" && grep -q ' cue boing' "$work/trace.txt" ||
  fail "no show started and ticked without a sound card"
xdotool windowclose "$window"
status=0
timeout 10 tail --pid "$app_pid" -f /dev/null || fail "still running after its window was destroyed"
wait "$app_pid" || status=$?
app_pid=""
[[ $status == 0 ]] || fail "exit status $status after the window was destroyed"
grep -q '^the window was closed by another program: quitting$' "$work/out.txt" || fail "no line said why"
grep -q 'X Error' "$work/out.txt" && fail "an X error was printed"
if [[ -e /dev/snd/pcmC0D0p ]]; then
  echo "sound card present: the no-card check is skipped"
else
  grep -q '^Sound is off (cannot open the audio device: ' "$work/out.txt" || fail "no line said sound is off"
  grep -q 'ALSA lib' "$work/out.txt" && fail "ALSA printed lines of its own"
  [[ $(wc -l <"$work/out.txt") == 2 ]] || fail "more than two lines"
fi
echo "window faults: 1 passed, 0 failed"
