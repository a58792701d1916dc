#!/usr/bin/env bash
# A soak: random touches for a stretch of virtual time, with the shows they
# start, in one headless run, normally under the sanitizer build (leaks and
# memory errors end the run with a report, and fail this script).
#
#   bench/soak.sh [PROGRAM] [VIRTUAL_SECONDS] [SEED]
#       (defaults: build-asan/bin/paddock, 600, 1)
#
# Touches: drags from the placard's resting place (each starts a show), taps
# and double taps anywhere, touches that wander off the stage, second and
# third fingers, and cancels, at random moments 0.02 to 1.5 s apart.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build-asan/bin/paddock}")
span=${2:-600}
seed=${3:-1}
[[ -x $program ]] || { echo "soak: $program is not built" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v span="$span" -v seed="$seed" 'BEGIN {
  srand(seed)
  t = 0.5
  while (t < span) {
    r = rand()
    f = int(rand() * 3)
    x = int(rand() * 400) - 40; y = int(rand() * 560) - 40
    if (r < 0.25) {            # take the placard where it rests and let go elsewhere
      printf "%.2f down 160 240\n", t
      for (k = 0; k < 3; k++) { t += 0.02 + rand() * 0.3; printf "%.2f move %d %d\n", t, x + k * 20, y }
      t += 0.02 + rand() * 0.2; printf "%.2f up %d %d\n", t, x + 60, y
    } else if (r < 0.55) {     # a tap or a double tap
      printf "%.2f down %d %d %d\n%.2f up %d %d %d\n", t, x, y, f, t + 0.05, x, y, f
      if (rand() < 0.5) printf "%.2f down %d %d %d\n%.2f up %d %d %d\n", t + 0.15, x, y, f, t + 0.2, x, y, f
      t += 0.2
    } else if (r < 0.85) {     # a finger that wanders, maybe off the stage
      printf "%.2f down %d %d %d\n", t, x, y, f
      for (k = 0; k < 4; k++) { t += 0.01 + rand() * 0.1; printf "%.2f move %d %d %d\n", t, x + (rand() - 0.5) * 600, y + (rand() - 0.5) * 800, f }
      t += 0.01; printf "%.2f up %d %d %d\n", t, x, y, f
    } else {                   # touches left down, then cancelled together
      printf "%.2f down %d %d 0\n%.2f down %d %d 1\n%.2f cancel\n", t, x, y, t + 0.01, 160, 240, t + 0.1
      t += 0.1
    }
    t += 0.02 + rand() * 1.5
  }
  printf "%.2f quit\n", t
}' >"$work/soak.script"

start=$SECONDS
status=0
suppressions=$PWD/tests/lsan.supp
(cd "$work" && ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
   LSAN_OPTIONS=suppressions=$suppressions:print_suppressions=0:use_tls=0 \
   "$program" --headless --script soak.script --trace trace.txt) >"$work/out.txt" 2>&1 || status=$?
count() { grep -c "$1" "$work/trace.txt" 2>/dev/null || true; }
touches=$(count ' touch began')
started=$(count ' show start')
ended=$(count ' show end')
echo "soak: ${span} s of virtual time, seed $seed: $touches touches, $started show starts," \
     "$ended show ends, $((SECONDS - start)) s of real time, exit status $status"
if (( status != 0 )) || grep -q -e 'Sanitizer' -e 'runtime error' "$work/out.txt"; then
  echo "soak: FAILED"; head -c 4000 "$work/out.txt"; exit 1
fi
[[ $(grep -vc '^Sound is off (headless run)' "$work/out.txt") == 0 ]] ||
  { echo "soak: unexpected output"; head -c 2000 "$work/out.txt"; exit 1; }
