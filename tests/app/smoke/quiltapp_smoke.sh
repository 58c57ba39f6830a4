#!/usr/bin/env bash
# Starts the real quiltapp on a virtual X server of its own with a folder of sample pictures,
# waits for the Image File View after the start-up screen, ends the program as a user would
# (Escape, then OK in the exit question) and checks that it ended with status 0 and wrote no
# sanitizer report. Usage: quiltapp_smoke.sh QUILTAPP QUILTSAMPLE
set -u
app="$1"
sample="$2"
here="$(cd "$(dirname "$0")/../../support" && pwd)"
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "quiltapp_smoke: $tool is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

work="$(mktemp -d)"
server=""
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
  echo "quiltapp_smoke: $*" >&2
  [ -s "$work/stderr" ] && { echo "--- quiltapp's standard error:" >&2; cat "$work/stderr" >&2; }
  exit 1
}

# Settings, thumbnail cache and the remembered folder stay inside the temporary folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME" "$work/sample"
"$sample" "$work/sample" >/dev/null || fail "the sample pictures could not be made"

coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1600x1000x24 -nolisten tcp 2>/dev/null; }
server=$XVFB_PID
display=""
read -r -t 30 display <&"${XVFB[0]}" || true
[ -n "$display" ] || fail "Xvfb did not start"
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
export LSAN_OPTIONS="suppressions=$here/gl_leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

"$app" "$work/sample" 2>"$work/stderr" &
program=$!

# Waits up to `seconds` for a visible window whose title holds `name`; prints its id.
find_window() {
  local name="$1" seconds="$2" id="" i
  for ((i = 0; i < seconds * 4; ++i)); do
    id="$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$program" 2>/dev/null || return 1
    sleep 0.25
  done
  return 1
}

view="$(find_window "Image File View" 60)" || fail "the Image File View did not appear"
xdotool windowfocus --sync "$view" key Escape
question="$(find_window "Question" 20)" || fail "Escape did not ask before ending the program"
xdotool windowfocus --sync "$question" key Return

status=""
for ((i = 0; i < 120; ++i)); do
  if ! kill -0 "$program" 2>/dev/null; then
    wait "$program"
    status=$?
    break
  fi
  sleep 0.25
done
[ -n "$status" ] || fail "the program did not end after the exit question was answered"
program=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
if grep -E -q "AddressSanitizer|LeakSanitizer|runtime error:" "$work/stderr"; then
  fail "the program wrote a sanitizer report"
fi
echo "quiltapp_smoke: the program started, showed the Image File View and ended cleanly"
