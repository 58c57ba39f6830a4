#!/usr/bin/env bash
# Runs an OpenGL test program: on the X display when there is one, else on a virtual X server
# (Xvfb with Mesa) of its own, else as it is, where its OpenGL tests skip. Every run gets its
# own server (-displayfd picks a free display), so tests may run in parallel.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
# Mesa's drivers keep some allocations until the process ends; LeakSanitizer is told which.
export LSAN_OPTIONS="suppressions=$here/gl_leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

if [ -n "${DISPLAY:-}" ]; then
  QT_QPA_PLATFORM=xcb exec "$@"
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  exec "$@"
fi
coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1920x1200x24 -nolisten tcp -terminate 2>/dev/null; }
server=$XVFB_PID
trap 'kill "$server" 2>/dev/null' EXIT INT TERM
display=""
read -r -t 30 display <&"${XVFB[0]}" || true
if [ -z "$display" ]; then
  echo "with_display.sh: Xvfb did not start; running without a display" >&2
  "$@"
  exit $?
fi
DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$@"
