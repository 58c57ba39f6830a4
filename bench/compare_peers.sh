#!/usr/bin/env bash
# Compares quiltstitch with OpenCV's stitcher (cv2.Stitcher, PANORAMA mode) on one sequence:
# both run on the same pictures, alternately, three times each; prints the wall time and peak
# memory of every run and the ratios of the medians (quiltstitch / OpenCV).
#
#   bench/compare_peers.sh SEQUENCE_DIR [quiltstitch options...]
#
# SEQUENCE_DIR holds the pictures (*.jpg, in name order). quiltstitch runs with --size large and
# the cylinder method unless other options are given. Needs Debian's python3-opencv and time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:?usage: bench/compare_peers.sh SEQUENCE_DIR [quiltstitch options...]}"
shift
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(--size large -m cylinder)

for p in python3-opencv time; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$p"
  fi
done

stitch="${QUILTSTITCH:-$root/build/release/cli/quiltstitch}"
if [ ! -x "$stitch" ]; then
  "$root/scripts/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi

mapfile -t pictures < <(find "$dir" -maxdepth 1 -iname '*.jpg' ! -iname '*noise*' | sort)
[ ${#pictures[@]} -ge 2 ] || { echo "compare_peers: fewer than two pictures in $dir" >&2; exit 66; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/opencv_stitch.py" <<'PY'
import sys
import cv2
images = [cv2.imread(p) for p in sys.argv[2:]]
status, pano = cv2.Stitcher_create(cv2.Stitcher_PANORAMA).stitch(images)
if status != cv2.Stitcher_OK:
    sys.exit("OpenCV stitcher failed with status %d" % status)
cv2.imwrite(sys.argv[1], pano)
print("%d x %d" % (pano.shape[1], pano.shape[0]), file=sys.stderr)
PY

# Runs one command under GNU time; appends "seconds kilobytes" to the named results file.
measure() {
  local results="$1"; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
    echo "compare_peers: failed: $*" >&2; cat "$work/err" >&2; return 1; }
  cat "$work/time" >>"$results"
}

for round in 1 2 3; do
  measure "$work/quilt" "$stitch" "${pictures[@]}" "${options[@]}" -q -o "$work/quilt.jpg"
  measure "$work/opencv" /usr/bin/python3 "$work/opencv_stitch.py" "$work/opencv.jpg" "${pictures[@]}"
  echo "round $round: quiltstitch $(tail -1 "$work/quilt") | opencv $(tail -1 "$work/opencv")  (seconds, peak KB)"
done

median() { sort -n | sed -n 2p; }
q_time=$(cut -d' ' -f1 "$work/quilt" | median); o_time=$(cut -d' ' -f1 "$work/opencv" | median)
q_mem=$(cut -d' ' -f2 "$work/quilt" | median); o_mem=$(cut -d' ' -f2 "$work/opencv" | median)
awk -v qt="$q_time" -v ot="$o_time" -v qm="$q_mem" -v om="$o_mem" -v n="${#pictures[@]}" -v d="$dir" 'BEGIN {
  printf "%s (%d pictures): quiltstitch %.2f s, %.0f MB; OpenCV %.2f s, %.0f MB\n", d, n, qt, qm/1024, ot, om/1024
  printf "ratios (quiltstitch / OpenCV): wall time %.2f, peak memory %.2f (target: at most 0.5 each)\n", qt/ot, qm/om
}'
