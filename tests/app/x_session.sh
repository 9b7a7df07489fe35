# Shared steps of the tests that drive the real window on a virtual X
# server; sourced by them. Needs `fail` defined by the sourcing script
# before it calls find_window or escape_and_wait.

# Skips (exit 77) unless the X tools are installed ($x_tools when set, else
# xvfb-run, xdotool, import and convert), then re-runs the calling script
# ("$0" with its arguments) once inside xvfb-run, on a screen of
# $xvfb_screen (default 1024x768x24). Inside, the window is to come up on
# that server whatever platform the caller's environment chose.
run_under_xvfb() {
  for tool in ${x_tools:-xvfb-run xdotool import convert}; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
  done
  if [ -z "${GEIGERSIM_E2E_INNER:-}" ]; then
    export GEIGERSIM_E2E_INNER=1
    exec xvfb-run -a -s "-screen 0 ${xvfb_screen:-1024x768x24}" "$0" "$@"
  fi
  unset QT_QPA_PLATFORM
}

# Sets window to the simulator's window, waiting up to 20 s for it to be
# mapped: a window that exists but is not yet shown cannot be captured.
find_window() {
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^REZ12832Uzi$' | head -n 1)
  [ -n "$window" ] || fail "no window named REZ12832Uzi"
}

# Captures $window into file $1, trying for up to 5 s: on a loaded machine
# the X server can refuse a capture for a moment.
shoot() {
  local try
  for try in 1 2 3 4 5 6 7 8 9 10; do
    import -window "$window" "$1" 2>/dev/null && return 0
    sleep 0.5
  done
  import -window "$window" "$1"
}

# Presses Escape on $window, which ends the program at once, and checks that
# process $pid is gone within 3 s with exit status 0. Clears pid.
escape_and_wait() {
  xdotool mousemove --window "$window" 450 280 key Escape
  for _ in $(seq 1 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "still running after Escape"
  wait "$pid"
  local status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit status $status"
}
