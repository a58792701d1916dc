# A private X display for driving the real window: sourced (not run) by the
# window test, the CPU benches and the show-sound capture.
#
#   source bench/xvfb.sh
#   xvfb_start LOGFILE [WxHxD]   starts Xvfb on a free display, exports DISPLAY
#   xvfb_find_window PID SECS    prints the id of process PID's visible window
#   xvfb_stop                    ends Xvfb (call it from the caller's EXIT trap)
#   xvfb_cleanup_on_exit FOLDER  on exit: ends the driven program ($app_pid),
#                                ends Xvfb and removes FOLDER
#
# Every wait is bounded; on failure the functions return non-zero and say why
# on standard error.

xvfb_pid=""

xvfb_start() {
  local log=$1 screen=${2:-800x600x24} display="" fd
  if ! command -v Xvfb >/dev/null; then
    echo "xvfb: Xvfb is missing (scripts/setup installs it)" >&2
    return 2
  fi
  # Xvfb picks a free display number and writes it to the descriptor.
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 "$screen" -nolisten tcp >"$log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    read -r -t 0.2 -u "$fd" display || true
    [[ -n $display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
  done
  exec {fd}<&-
  if [[ -z $display ]]; then
    echo "xvfb: Xvfb did not start within 10 s:" >&2
    cat "$log" >&2
    return 2
  fi
  export DISPLAY=":$display"
}

xvfb_find_window() {
  local pid=$1 seconds=$2
  timeout "$seconds" xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1
}

xvfb_stop() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  xvfb_pid=""
}

app_pid=""
xvfb_cleanup_on_exit() {
  xvfb_cleanup_folder=$1
  trap '[[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null; xvfb_stop; rm -rf "$xvfb_cleanup_folder"' EXIT
}
