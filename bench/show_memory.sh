#!/usr/bin/env bash
# Runs many cow shows in one headless run and reads the process's resident
# memory from /proc when the 10th show ends and when the last one does: a
# leak of even a few hundred bytes a show shows up over a thousand shows.
#
#   bench/show_memory.sh [PROGRAM] [SHOWS]     (defaults: build/bin/paddock, 1000)
#
# Exits 1 when memory grew by more than 512 KiB between the two readings.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/bin/paddock}")
shows=${2:-1000}
(( shows > 10 )) || { echo "show_memory: wants more than 10 shows" >&2; exit 2; }
[[ -x $program ]] || { echo "show_memory: $program is not built" >&2; exit 2; }

work=$(mktemp -d)
app_pid=""
cleanup() { [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# A drag and release every 12 s (a show and the placard's return take at most
# about 10.5 s), one more show than measured so the process is still busy
# when the last measured one ends.
awk -v n=$((shows + 1)) 'BEGIN {
  for (i = 0; i < n; i++) {
    t = 1 + 12 * i
    printf "%.2f down 160 240\n%.2f move 200 300\n%.2f up 200 300\n", t, t + 0.3, t + 0.5
  }
  printf "%.2f quit\n", 1 + 12 * n
}' >"$work/shows.script"

rss() { awk '/^VmRSS/ {print $2}' "/proc/$app_pid/status"; }
start=$SECONDS
(cd "$work" && exec "$program" --headless --script shows.script --trace trace.txt) >"$work/out.txt" 2>&1 &
app_pid=$!
at10="" atLast="" ended=0
while kill -0 "$app_pid" 2>/dev/null; do
  ended=$(grep -c ' show end' "$work/trace.txt" 2>/dev/null || true)
  if [[ -z $at10 ]] && (( ended >= 10 )); then at10=$(rss); echo "show 10: ${at10} KiB resident"; fi
  if [[ -z $atLast ]] && (( ended >= shows )); then atLast=$(rss); break; fi
  sleep 0.05
done
[[ -n $atLast ]] || { echo "show_memory: the run ended after $ended shows"; cat "$work/out.txt"; exit 1; }
seconds=$((SECONDS - start))
wait "$app_pid" || { echo "show_memory: the run failed"; cat "$work/out.txt"; exit 1; }
app_pid=""
growth=$((atLast - at10))
echo "show $shows: ${atLast} KiB resident"
awk -v n="$shows" -v g="$growth" -v s="$seconds" 'BEGIN {
  printf "growth from show 10 to show %d: %d KiB (%.1f bytes a show); %d shows in %d s\n",
         n, g, g * 1024 / (n - 10), n, s }'
(( growth <= 512 )) || { echo "show_memory: memory grew by more than 512 KiB"; exit 1; }
