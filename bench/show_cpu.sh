#!/usr/bin/env bash
# Measures the CPU that a Paddock window uses while shows run: starts the
# program on a private Xvfb display, then for about SECONDS drags and releases
# the placard with xdotool, starting the next show as soon as the last one has
# ended, and reads the program's user + system CPU time from /proc around it.
#
#   bench/show_cpu.sh [PROGRAM] [SECONDS]     (defaults: build/bin/paddock, 30)
#
# The sound is mixed for real through SDL's disk audio driver into /dev/null
# (set SDL_AUDIODRIVER yourself to use another). The program writes its trace
# (a few hundred lines a show), which is how the script sees a show end.
# Needs Xvfb and xdotool (scripts/setup).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/bin/paddock}
seconds=${2:-30}
source bench/xvfb.sh

if [[ ! -x $program ]]; then
  echo "show_cpu: $program is not built (scripts/build build)" >&2
  exit 2
fi
command -v xdotool >/dev/null || { echo "show_cpu: xdotool is missing (scripts/setup)" >&2; exit 2; }

workdir=$(mktemp -d)
xvfb_cleanup_on_exit "$workdir"

xvfb_start "$workdir/xvfb.log" || exit 2
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-disk}
export SDL_DISKAUDIOFILE=${SDL_DISKAUDIOFILE:-/dev/null}
"$program" --trace "$workdir/trace.txt" >"$workdir/app.log" 2>&1 &
app_pid=$!
window=$(xvfb_find_window "$app_pid" 15) || true
if [[ -z $window ]]; then
  echo "show_cpu: no window of $program appeared:" >&2
  cat "$workdir/app.log" >&2
  exit 2
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
at() { echo $((X + $1)) $((Y + $2)); }
count() { grep -c -- "$1" "$workdir/trace.txt" || true; }
sleep 2

ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks) start=$(date +%s.%N)
deadline=$((SECONDS + seconds))
while ((SECONDS < deadline)); do
  shows=$(count 'show start')
  xdotool mousemove $(at 160 240) mousedown 1 sleep 0.2 mousemove $(at 60 140) sleep 0.2 mouseup 1
  # Each show ends within 40 s, or the bench stops.
  limit=$((SECONDS + 40))
  until (($(count 'show end') > shows)); do
    if ((SECONDS > limit)) || ! kill -0 "$app_pid" 2>/dev/null; then
      echo "show_cpu: show $((shows + 1)) did not start or end" >&2
      exit 2
    fi
    sleep 0.05
  done
done
t1=$(ticks) end=$(date +%s.%N)

awk -v t="$((t1 - t0))" -v hz="$hz" -v a="$start" -v b="$end" -v n="$(count 'show end')" \
    -v trace="$workdir/trace.txt" 'BEGIN {
  while ((getline line < trace) > 0) {
    split(line, w, " ")
    if (w[2] == "show" && w[3] == "start") s = w[1]
    if (w[2] == "show" && w[3] == "end") shown += w[1] - s
  }
  wall = b - a
  printf "show CPU: %.1f %% of a core over %.1f s (%d clock ticks of 1/%d s); %d shows, running %.0f %% of that time\n",
         100 * t / hz / wall, wall, t, hz, n, 100 * shown / wall
}'
