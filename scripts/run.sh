#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, makes a sample sequence (views of
# a procedural landscape from a turning camera) and stitches it into a panorama.
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
