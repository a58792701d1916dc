#!/usr/bin/env bash
# Builds the fuzz tree and runs the libFuzzer targets, one after another.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#       SECONDS: how long each target runs (default 600)
#       TARGET:  wav display_strings script interface_file main_interface png
#                (default: all of them)
#
# build-fuzz/ is built with clang, every library instrumented for coverage and
# checked by AddressSanitizer + UndefinedBehaviorSanitizer (2 jobs, only the
# targets asked for). Each target starts from its seed corpus in
# tests/fuzz/corpus/TARGET, which is only read: new inputs, crash files and the
# files the targets write go to a fresh temporary folder. Prints per target the
# runs executed, the final coverage (cov: edges, ft: features) and corpus size.
# Exits 1 naming the crash files (kept) when any target finds something,
# 2 on bad arguments or a missing clang.
set -euo pipefail
cd "$(dirname "$0")/.."

all=(wav display_strings script interface_file main_interface png)
die() { echo "fuzz: $*" >&2; exit 2; }

seconds=600
if (($# > 0)); then
  [[ $1 =~ ^[1-9][0-9]{0,5}$ ]] || die "SECONDS must be a whole number from 1 to 999999, not '$1'"
  seconds=$1
  shift
fi
targets=()
for t in "$@"; do
  t=${t%_fuzz}
  [[ " ${all[*]} " == *" $t "* ]] || die "unknown target '$t' (targets: ${all[*]})"
  targets+=("$t")
done
((${#targets[@]} > 0)) || targets=("${all[@]}")

command -v clang >/dev/null && command -v clang++ >/dev/null ||
  die "clang is not installed (scripts/setup installs it)"

echo "fuzz: building build-fuzz (${targets[*]})"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPADDOCK_FUZZ=ON \
  >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzz}" >/dev/null

run=$(mktemp -d "${TMPDIR:-/tmp}/paddock-fuzz.XXXXXX")
# The files the targets write for every input go to memory where there is a
# tmpfs: on disk they cost several times the run rate.
scratch=$(mktemp -d /dev/shm/paddock-fuzz.XXXXXX 2>/dev/null || mktemp -d "$run/scratch.XXXXXX")
found=0
# The run folder is removed unless something was found in it.
trap 'rm -rf "$scratch"; ((found)) || rm -rf "$run"' EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
# use_tls=0 as in scripts/test: the leak checker can crash reading dynamic TLS.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0:use_tls=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "fuzz: each target runs for $seconds s"
for t in "${targets[@]}"; do
  dir=$run/$t
  mkdir -p "$dir/new" "$dir/crashes" "$scratch/$t"
  status=0
  # -close_fd_mask=3: the code under test prints a line for every refused
  # input; libFuzzer's own output and the sanitizers' reports still come.
  # -timeout: an input that takes this long is a hang, and a finding.
  TMPDIR=$scratch/$t build-fuzz/bin/${t}_fuzz -max_total_time="$seconds" -print_final_stats=1 \
    -close_fd_mask=3 -timeout=25 -artifact_prefix="$dir/crashes/" \
    "$dir/new" "tests/fuzz/corpus/$t" >"$dir/log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  last=$(grep -E '^#[0-9]+.*cov: ' "$dir/log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
  new=$(find "$dir/new" -type f | wc -l)
  crashes=$(find "$dir/crashes" -type f | sort)
  printf 'fuzz %-16s %s runs, cov %s, ft %s, corpus %s (%s new inputs)\n' "$t" "${runs:-?}" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}" "$new"
  if [[ -n $crashes || $status -ne 0 ]]; then
    found=1
    echo "fuzz $t: FOUND a problem (exit status $status); the end of its log:"
    grep -v -E '^#[0-9]+ ' "$dir/log" | tail -40 | sed 's/^/    /'
    for c in $crashes; do
      echo "fuzz $t: input kept in $c"
      echo "    rerun: build-fuzz/bin/${t}_fuzz $c"
    done
    [[ -n $crashes ]] || echo "fuzz $t: no input was kept; the whole log is $dir/log"
  fi
done

if ((found)); then
  echo "fuzz: FAILED; everything is kept in $run"
  exit 1
fi
echo "fuzz: no findings"
