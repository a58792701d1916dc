#!/usr/bin/env bash
# Draws one whole interaction as a contact sheet: the placard resting, pressed,
# dragged, the release, frames of the show spread over its length, and the
# placard back at the centre, each labelled with its time. Runs the real
# program headless twice on a fixed virtual clock (so the show is the same
# every time): once to learn when the show ends, once with the snapshots.
#
#   tools/interaction_sheet.sh [PADDOCK] [OUT]
#       defaults: build/bin/paddock, docs/interaction.png
#
# Needs imagemagick's montage (scripts/setup).
set -euo pipefail
cd "$(dirname "$0")/.."
paddock=${1:-build/bin/paddock}
out=${2:-docs/interaction.png}
# Any fixed calendar start seeds the same show.
clock_start=1700000000

die() { echo "interaction_sheet: $*" >&2; exit 1; }
[[ -x $paddock ]] || die "$paddock is not built (scripts/build build)"
command -v montage >/dev/null || die "montage is missing (scripts/setup installs imagemagick)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The gesture: press the placard, drag it up and left, let go at 1.20 s.
gesture='0.50 down 160 240
0.70 move 150 220
0.90 move 110 170
1.00 move 80 150
1.20 up 80 150'

run() {
  "$paddock" --headless --clock-start "$clock_start" --script "$1" --trace "$2" >"$work/out.txt" 2>&1 ||
    { cat "$work/out.txt" >&2; die "paddock failed on $1"; }
}

# Pass 1: when does the show start and end?
printf '%s\n40 quit\n' "$gesture" >"$work/probe.script"
run "$work/probe.script" "$work/probe.trace"
start=$(awk '/ show start/ {print $1; exit}' "$work/probe.trace")
end=$(awk '/ show end/ {print $1; exit}' "$work/probe.trace")
[[ -n $start && -n $end ]] || die "the release started no show, or it did not end within 40 s"

# Pass 2: the snapshots, with a label for each.
labels=()
snap() {
  local n=${#labels[@]}
  printf '%s snapshot %s/f%02d.png\n' "$1" "$work" "$n" >>"$work/sheet.script"
  labels+=("$(printf '%.2f s  %s' "$1" "$2")")
}
: >"$work/sheet.script"
snap 0.30 "resting"
snap 0.58 "pressed, growing"
snap 1.10 "dragged, held"
snap "$(awk -v s="$start" 'BEGIN {printf "%.3f", s + 0.02}')" "released"
# Eight frames spread over the show, the last just before it ends.
for i in 1 2 3 4 5 6 7 8; do
  snap "$(awk -v s="$start" -v e="$end" -v i="$i" 'BEGIN {printf "%.3f", s + (e - s - 0.05) * i / 8}')" "show"
done
snap "$(awk -v e="$end" 'BEGIN {printf "%.3f", e + 0.3}')" "back at the centre"
{
  printf '%s\n' "$gesture"
  cat "$work/sheet.script"
  printf '%s quit\n' "$(awk -v e="$end" 'BEGIN {printf "%.3f", e + 1}')"
} | sort -n -k1,1 >"$work/run.script"
run "$work/run.script" "$work/run.trace"

args=()
for i in "${!labels[@]}"; do
  file=$(printf '%s/f%02d.png' "$work" "$i")
  [[ -f $file ]] || die "the snapshot at ${labels[$i]} was not written"
  args+=(-label "${labels[$i]}" "$file")
done
mkdir -p "$(dirname "$out")"
montage -font DejaVu-Sans -pointsize 13 -fill white -background '#303030' \
  "${args[@]}" -tile 7x -geometry 160x240+4+4 "$out"
echo "interaction_sheet: $out: ${#labels[@]} frames; show from $start s to $end s"
