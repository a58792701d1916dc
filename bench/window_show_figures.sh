#!/usr/bin/env bash
# Figures of the real program in a real window, at zoom 1 and zoom 2: the CPU
# share of one core while idle and while a show runs, and the intervals
# between the show's frame ticks (nominally 1/90 s).
#
#   bench/window_show_figures.sh [--shows N] [--idle SECONDS] [--keep DIR] [PROGRAM]
#       (defaults: 3 shows, 10 s, build/bin/paddock; --keep copies the traces
#        and tick logs to DIR)
#
# Each zoom gets its own run on a private Xvfb display. After a quiet spell
# (the idle figure), the placard is dragged and let go with xdotool N times,
# each show waited out through the program's trace ("show end"). The CPU is
# the process's user + system time from /proc/PID/stat, from just before the
# release to the end of the show, over the wall time between the same two
# reads (to within the 20 ms poll). CPU times count in 1/100 s, so a 10 s
# idle spell resolves 0.1 %. "idle main" is the main thread alone: the open
# audio device keeps SDL's mixing thread waking even when nothing plays.
# "X server" is Xvfb's CPU over the same show spells: putting the window's
# pixels on the screen costs there, not in the program.
#
# The trace has no line per frame tick, so tick times come from tick_probe.so
# (bench/tick_probe, built beside the program), preloaded to log the tick's
# first GL call; without it the tick columns say so. Sound is mixed through
# SDL's disk audio driver into /dev/null, as bench/show_cpu.sh does.
# Needs Xvfb and xdotool (scripts/setup).
set -euo pipefail
cd "$(dirname "$0")/.."
shows=3
idle=10
program=build/bin/paddock
keep=""
while (($#)); do
  case $1 in
    --shows | --idle)
      [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || { echo "window_show_figures: $1 needs a whole number from 1" >&2; exit 2; }
      if [[ $1 == --shows ]]; then shows=$2; else idle=$2; fi
      shift 2
      ;;
    --keep)
      [[ -n ${2:-} ]] || { echo "window_show_figures: --keep needs a folder" >&2; exit 2; }
      keep=$2
      shift 2
      ;;
    -*) echo "window_show_figures: unknown option $1" >&2; exit 2 ;;
    *) program=$1; shift ;;
  esac
done
if [[ ! -x $program ]]; then
  echo "window_show_figures: $program is not built" >&2
  exit 2
fi
command -v xdotool >/dev/null || { echo "window_show_figures: xdotool is missing (scripts/setup)" >&2; exit 2; }
probe="$(cd "$(dirname "$program")" && pwd)/tick_probe.so"
[[ -f $probe ]] || probe=""
source bench/xvfb.sh

workdir=$(mktemp -d)
xvfb_cleanup_on_exit "$workdir"
# Room for the zoom 2 window (640 x 960).
xvfb_start "$workdir/xvfb.log" 1280x1024x24 || exit 2
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-disk}
export SDL_DISKAUDIOFILE=${SDL_DISKAUDIOFILE:-/dev/null}
hz=$(getconf CLK_TCK)

ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
# The main thread alone: an open audio device keeps SDL's mixing thread waking.
main_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/task/$app_pid/stat"; }
# The X server's share is work the window costs that the process does not show.
x_ticks() { awk '{print $14 + $15}' "/proc/$xvfb_pid/stat"; }
lines() { if [[ -f $1 ]]; then wc -l <"$1"; else echo 0; fi; }
now() { date +%s.%N; }
# Percent of one core: clock ticks of CPU over wall seconds.
share() { awk -v t="$1" -v hz="$hz" -v w="$2" 'BEGIN { printf "%.3f", 100 * t / hz / w }'; }

# One run at zoom $1: writes "idle_pct idle_main_pct show_pct x_pct show_wall" to $workdir/row-$1
# and the tick log's line range of each show to $workdir/shows-$1. Not run in
# a subshell, so that the exit trap still knows $app_pid.
measure_zoom() {
  local zoom=$1 trace="$workdir/trace-$1.txt" tick_log="$workdir/ticks-$1.txt"
  local window t0 t1 m0 m1 a b ended limit idle_pct idle_main show_t=0 x_t=0 x0 x1 show_wall=0 n0
  : >"$workdir/shows-$zoom"
  if [[ -n $probe ]]; then
    LD_PRELOAD=$probe PADDOCK_TICK_LOG=$tick_log \
      "$program" --zoom "$zoom" --trace "$trace" >"$workdir/app-$zoom.log" 2>&1 &
  else
    "$program" --zoom "$zoom" --trace "$trace" >"$workdir/app-$zoom.log" 2>&1 &
  fi
  app_pid=$!
  window=$(xvfb_find_window "$app_pid" 15) || true
  if [[ -z $window ]]; then
    echo "window_show_figures: no window of $program appeared at zoom $zoom:" >&2
    cat "$workdir/app-$zoom.log" >&2
    return 1
  fi
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # Window pixels of a point on the stage.
  at() { echo $((X + zoom * $1)) $((Y + zoom * $2)); }
  sleep 2

  t0=$(ticks) m0=$(main_ticks) a=$(now)
  sleep "$idle"
  t1=$(ticks) m1=$(main_ticks) b=$(now)
  idle_pct=$(share $((t1 - t0)) "$(awk -v a="$a" -v b="$b" 'BEGIN { print b - a }')")
  idle_main=$(share $((m1 - m0)) "$(awk -v a="$a" -v b="$b" 'BEGIN { print b - a }')")

  for ((show = 1; show <= shows; show++)); do
    ended=$(grep -c 'show end' "$trace" || true)
    xdotool mousemove $(at 160 240) mousedown 1 sleep 0.2 mousemove $(at 60 140) sleep 0.2
    n0=$(lines "$tick_log")
    t0=$(ticks) x0=$(x_ticks) a=$(now)
    xdotool mouseup 1
    # A show lasts 8 to 10 s; 40 s without its end means it never started.
    limit=$((SECONDS + 40))
    until (($(grep -c 'show end' "$trace" || true) > ended)); do
      if ((SECONDS > limit)) || ! kill -0 "$app_pid" 2>/dev/null; then
        echo "window_show_figures: show $show at zoom $zoom did not start or end" >&2
        return 1
      fi
      sleep 0.02
    done
    t1=$(ticks) x1=$(x_ticks) b=$(now)
    show_t=$((show_t + t1 - t0)) x_t=$((x_t + x1 - x0))
    show_wall=$(awk -v w="$show_wall" -v a="$a" -v b="$b" 'BEGIN { print w + b - a }')
    echo "$((n0 + 1)) $(lines "$tick_log")" >>"$workdir/shows-$zoom"
    sleep 0.5
  done
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  echo "$idle_pct $idle_main $(share "$show_t" "$show_wall") $(share "$x_t" "$show_wall") $show_wall" >"$workdir/row-$zoom"
}

# p50, p99, longest and count of the tick intervals inside the shows, in ms.
tick_figures() {
  local zoom=$1
  if [[ -z $probe ]]; then
    echo "no tick_probe.so beside the program"
    return
  fi
  if [[ ! -s $workdir/ticks-$zoom.txt ]]; then
    echo "no ticks logged (tick_probe.so not loaded?)"
    return
  fi
  awk -v ranges="$workdir/shows-$zoom" '
    { t[NR] = $1 }
    END {
      while ((getline line < ranges) > 0) {
        split(line, r, " ")
        for (i = r[1] + 1; i <= r[2]; i++) d[++n] = 1000 * (t[i] - t[i - 1])
      }
      if (n == 0) { print "no ticks logged"; exit }
      for (i = 2; i <= n; i++) for (j = i; j > 1 && d[j - 1] > d[j]; j--) { x = d[j]; d[j] = d[j - 1]; d[j - 1] = x }
      printf "%8.2f %8.2f %8.2f %7d\n", d[1 + int(0.50 * (n - 1))], d[1 + int(0.99 * (n - 1))], d[n], n
    }' "$workdir/ticks-$zoom.txt"
}

for zoom in 1 2; do
  measure_zoom "$zoom" || exit 1
done
if [[ -n $keep ]]; then
  mkdir -p "$keep" && cp "$workdir"/trace-* "$workdir"/shows-* "$keep"/
  [[ -z $probe ]] || cp "$workdir"/ticks-* "$keep"/
fi

echo "$program, $shows shows a zoom, idle over $idle s; CPU in % of one core; tick intervals in ms (nominal 11.11)"
printf '%-5s %8s %9s %8s %8s %9s %8s %8s %8s %7s\n' zoom "idle CPU" "idle main" "show CPU" "X server" "show wall" \
  "tick p50" "tick p99" longest ticks
for zoom in 1 2; do
  read -r idle_pct idle_main show_pct x_pct wall <"$workdir/row-$zoom"
  printf '%-5s %7.2f%% %8.2f%% %7.1f%% %7.1f%% %8.1fs %s\n' "$zoom" "$idle_pct" "$idle_main" "$show_pct" \
    "$x_pct" "$wall" "$(tick_figures "$zoom")"
done
