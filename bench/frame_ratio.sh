#!/usr/bin/env bash
# How far the host's frame is above the floor: runs frame_bench (the show's
# frame through the host's GL view) and floor_bench (the same GL work with raw
# EGL and GL ES) in turn for several rounds, and compares the medians of their
# per-round p50 and p99. The order flips every round so that neither program
# always runs on a machine the other has just warmed or loaded.
#
#   bench/frame_ratio.sh [--rounds N] [BUILD_DIR]   (defaults: 5, build)
#
# Builds nothing: expects BUILD_DIR/bin/frame_bench and BUILD_DIR/bin/floor_bench.
# A measurement, not a test: exits 0 whatever the ratios; 2 on a bad command
# line or a missing program, 1 when a program fails.
set -euo pipefail
rounds=5
build="$(dirname "$0")/../build"
while (($#)); do
  case $1 in
    --rounds)
      [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || { echo "frame_ratio: --rounds needs a whole number from 1" >&2; exit 2; }
      rounds=$2
      shift 2
      ;;
    -*) echo "frame_ratio: unknown option $1 (usage: frame_ratio.sh [--rounds N] [BUILD_DIR])" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
for program in frame_bench floor_bench; do
  if [[ ! -x $build/bin/$program ]]; then
    echo "frame_ratio: $build/bin/$program is missing (cmake --build $build --target $program)" >&2
    exit 2
  fi
done
# Compiling shaders from scratch every run, as the first frame of a fresh
# install does, rather than whatever the cache holds from another build.
export MESA_SHADER_CACHE_DISABLE=true

# Prints "p50 p99" of one run of the program.
measure() {
  local program=$1 out
  if ! out=$("$build/bin/$program" 2>&1); then
    echo "frame_ratio: $program failed: $(printf '%s\n' "$out" | tail -n 1)" >&2
    return 1
  fi
  out=$(printf '%s\n' "$out" | sed -n "s/^$program: .* p50 \([0-9.]*\) ms, p99 \([0-9.]*\) ms.*/\1 \2/p")
  if [[ -z $out ]]; then
    echo "frame_ratio: $program printed no p50/p99 line" >&2
    return 1
  fi
  echo "$out"
}

results=""
for ((round = 1; round <= rounds; round++)); do
  if ((round % 2)); then order="frame_bench floor_bench"; else order="floor_bench frame_bench"; fi
  for program in $order; do
    read -r p50 p99 < <(measure "$program") || exit 1
    printf 'round %d  %-11s p50 %7.3f ms  p99 %7.3f ms\n' "$round" "$program" "$p50" "$p99"
    results+="$program $p50 $p99"$'\n'
  done
done

printf '%s' "$results" | awk -v rounds="$rounds" '
function least(a, n,    i, m) {
  for (i = 1; i <= n; i++) if (i == 1 || a[i] < m) m = a[i]
  return m
}
function median(a, n,    i, j, t) {
  for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
$1 == "frame_bench" { f50[++nf] = $2; f99[nf] = $3 }
$1 == "floor_bench" { g50[++ng] = $2; g99[ng] = $3 }
END {
  p50 = median(f50, nf); p99 = median(f99, nf)
  q50 = median(g50, ng); q99 = median(g99, ng)
  printf "median of %d rounds   p50 %7.3f ms  p99 %7.3f ms  (frame_bench, the host)\n", rounds, p50, p99
  printf "                      p50 %7.3f ms  p99 %7.3f ms  (floor_bench, raw EGL and GL ES)\n", q50, q99
  printf "host / floor          p50 %.2f (%s 1.2)  p99 %.2f (%s 1.2)\n",
         p50 / q50, p50 / q50 <= 1.2 ? "<=" : ">", p99 / q99, p99 / q99 <= 1.2 ? "<=" : ">"
  # On a shared machine the least disturbed round is a second view of the same.
  b50 = least(f50, nf); b99 = least(f99, nf); c50 = least(g50, ng); c99 = least(g99, ng)
  printf "best round, host / floor  p50 %.3f / %.3f ms = %.2f  p99 %.3f / %.3f ms = %.2f\n",
         b50, c50, b50 / c50, b99, c99, b99 / c99
}'
