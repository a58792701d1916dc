#!/usr/bin/env bash
# Measures the CPU that an idle Paddock window uses: starts the program on a
# private Xvfb display, lets it settle, then reads its user + system CPU time
# and its wake-ups (context switches) from /proc over a quiet interval.
#
#   bench/idle_cpu.sh [PROGRAM] [SECONDS]     (defaults: build/bin/paddock, 20)
#
# Needs Xvfb (scripts/setup). Exits 1 when the idle process uses 0.5 % of a
# core or more.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/bin/paddock}
seconds=${2:-20}

if [[ ! -x $program ]]; then
  echo "idle_cpu: $program is not built (scripts/build build)" >&2
  exit 2
fi
source bench/xvfb.sh

workdir=$(mktemp -d)
xvfb_cleanup_on_exit "$workdir"
xvfb_start "$workdir/xvfb.log" 1280x1024x24 || exit 2

"$program" >"$workdir/app.log" 2>&1 &
app_pid=$!
sleep 3
if ! kill -0 "$app_pid" 2>/dev/null; then
  echo "idle_cpu: $program exited early:" >&2
  cat "$workdir/app.log" >&2
  exit 2
fi

ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
switches() {
  awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {n += $2} END {print n}' "/proc/$app_pid/status"
}
hz=$(getconf CLK_TCK)
t0=$(ticks) s0=$(switches) start=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks) s1=$(switches) end=$(date +%s.%N)

awk -v t="$((t1 - t0))" -v hz="$hz" -v s="$((s1 - s0))" -v a="$start" -v b="$end" 'BEGIN {
  wall = b - a
  cpu = 100 * t / hz / wall
  printf "idle CPU: %.3f %% of a core over %.1f s (%d clock ticks of 1/%d s), %.1f wake-ups/s\n",
         cpu, wall, t, hz, s / wall
  printf "target: below 0.5 %%: %s\n", cpu < 0.5 ? "met" : "NOT met"
  exit cpu < 0.5 ? 0 : 1
}'
