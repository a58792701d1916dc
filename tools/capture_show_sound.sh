#!/usr/bin/env bash
# Records what one show sounds like: the real window on a private Xvfb,
# SDL's disk audio driver writing the mix to a file, one drag and release by
# xdotool. The capture from just before the release to two seconds after the
# show ends becomes a WAV file, and its spectrogram a PNG.
#
#   tools/capture_show_sound.sh [PADDOCK] [SPECTROGRAM] [KEEP_DIR]
#       defaults: build/bin/paddock, docs/show-sound.png, none
#   KEEP_DIR, when given, receives show.wav, the whole capture audio.raw
#   (44.1 kHz, 16-bit signed, stereo) and the program's trace.txt.
#
# Needs Xvfb, xdotool and sox (scripts/setup). Takes about 15 s.
set -euo pipefail
cd "$(dirname "$0")/.."
paddock=${1:-build/bin/paddock}
spectrogram=${2:-docs/show-sound.png}
keep=${3:-}
source bench/xvfb.sh

die() { echo "capture_show_sound: $*" >&2; exit 1; }
[[ -x $paddock ]] || die "$paddock is not built (scripts/build build)"
for tool in xdotool sox; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup installs it)"
done

work=$(mktemp -d)
xvfb_cleanup_on_exit "$work"

wait_trace() {
  local deadline=$((SECONDS + $2))
  until grep -q -- "$1" "$work/trace.txt" 2>/dev/null; do
    ((SECONDS < deadline)) || die "no '$1' in the trace within $2 s"
    kill -0 "$app_pid" 2>/dev/null || die "paddock exited early"
    sleep 0.1
  done
}

xvfb_start "$work/xvfb.log" || die "no X display"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" \
  "$paddock" --zoom 1 --trace "$work/trace.txt" >"$work/out.txt" 2>&1 &
app_pid=$!
window=$(xvfb_find_window "$app_pid" 15) || true
[[ -n $window ]] || die "no paddock window appeared within 15 s"
wait_trace 'sound output device disk 44100 Hz' 10
eval "$(xdotool getwindowgeometry --shell "$window")"
at() { echo $((X + $1)) $((Y + $2)); }
sleep 0.5
xdotool mousemove $(at 160 240) mousedown 1 sleep 0.3 mousemove $(at 120 200) sleep 0.2 \
  mousemove $(at 60 140) sleep 0.3 mouseup 1
wait_trace 'show start' 5
wait_trace 'show end' 40
# The last boing may ring on after the end.
sleep 2
kill -TERM "$app_pid"
wait "$app_pid" || die "paddock exited with status $?"
app_pid=""

# The device format asked of SDL, which the disk driver takes as asked:
# 44.1 kHz, 16-bit signed, stereo. The file starts when the device opened.
opened=$(awk '/sound output device/ {print $1; exit}' "$work/trace.txt")
started=$(awk '/ show start/ {print $1; exit}' "$work/trace.txt")
ended=$(awk '/ show end/ {print $1; exit}' "$work/trace.txt")
from=$(awk -v o="$opened" -v s="$started" 'BEGIN {printf "%.3f", s - o - 0.2}')
length=$(awk -v s="$started" -v e="$ended" 'BEGIN {printf "%.3f", e - s + 2.2}')
sox -D -t raw -r 44100 -e signed -b 16 -c 2 "$work/audio.raw" "$work/show.wav" trim "$from" "$length"

mkdir -p "$(dirname "$spectrogram")"
sox "$work/show.wav" -n remix 1,2 spectrogram -x 1200 -y 400 -z 90 \
  -t "Paddock: one show, from 0.2 s before the release to 2 s after the end (SDL disk audio capture)" \
  -c "show $(awk -v s="$started" -v e="$ended" 'BEGIN {printf "%.2f", e - s}') s" \
  -o "$spectrogram"
if [[ -n $keep ]]; then
  mkdir -p "$keep"
  cp "$work/show.wav" "$work/trace.txt" "$work/audio.raw" "$keep/"
  # The trace's times made relative to the WAV's start.
  awk -v z="$(awk -v s="$started" 'BEGIN {print s - 0.2}')" '{ $1 = sprintf("%.4f", $1 - z); print }' \
    "$work/trace.txt" >"$keep/trace-wav-time.txt"
fi
echo "capture_show_sound: $spectrogram; show of $(awk -v s="$started" -v e="$ended" 'BEGIN {printf "%.2f", e - s}') s," \
  "$(grep -c 'cue moo' "$work/trace.txt") moo cues, $(grep -c 'cue boing' "$work/trace.txt") boing cues"
sox "$work/show.wav" -n stats 2>&1 | grep -E 'Pk lev dB|RMS lev dB|Length s' | sed 's/^/  /'
