#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, makes a sample sequence (views of
# a procedural landscape from a turning camera), stitches it into a panorama and then opens the
# desktop program on the sample folder when there is a display to show it on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release
out="$root/out"
mkdir -p "$out/sample"
focal="$("$root/build/release/cli/quiltsample" "$out/sample")"
"$root/build/release/cli/quiltstitch" "$out"/sample/view*.jpg -m cylinder -f "$focal" \
  -o "$out/panorama.jpg" --report "$out/panorama.json"
echo "Panorama: $out/panorama.jpg (report: $out/panorama.json)"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening quiltapp on $out/sample (close it to end)"
  "$root/build/release/app/quiltapp" "$out/sample"
else
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset), so quiltapp is not opened;"
  echo "on a desktop run: $root/build/release/app/quiltapp $out/sample"
fi
