#!/usr/bin/env bash
# Remakes the screenshots of the user manual (docs/manual/images) from a built tree:
#   scripts/make_manual_screenshots.sh [BUILD_DIR]      (default: build/dev)
# The windows are shown on a generated scene and reduced to JPEGs of at most 640 pixels across,
# which the help window shows whole. The panorama viewer needs OpenGL, so the program runs on
# the X display or on a virtual one (tests/support/with_display.sh). Rebuild quiltapp
# afterwards: the manual is compiled into it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/dev}" && pwd)"
out="$root/docs/manual/images"
cmake --build "$build" --target manual_screenshots -j"${QUILT_JOBS:-2}"
mkdir -p "$out"
QUILT_MANUAL_IMAGES="$out" "$root/tests/support/with_display.sh" "$build/tests/manual_screenshots"
echo "Screenshots in $out:"
du -ch "$out"/*.jpg | tail -1
