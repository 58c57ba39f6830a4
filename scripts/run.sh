#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, and runs the demonstration.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release
out="$root/out"
mkdir -p "$out"
"$root/build/release/cli/quiltlensdemo" "$out"
