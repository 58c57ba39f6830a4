#!/bin/bash
# What the global refinement costs quiltstitch on the real sequences: every set stitched with
# the refinement on (the default) and off (--no-refine), alternately, RUNS times each (9 by
# default); prints the median of the stages read + align + focal + mosaic of --report (the write
# stage and the process start left out) and the focal length each setting used.
#
#     bench/refine_timing.sh BUILD_DIR [SETS_DIR]
set -euo pipefail
BUILD=${1:?usage: refine_timing.sh BUILD_DIR [SETS_DIR]}
SETS=${2:-$(cd "$(dirname "$0")/../.." && pwd)/shared/data/real}
Q="$BUILD/cli/quiltstitch"
RUNS=${RUNS:-9}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

run() { # name method pictures...
    local name=$1 method=$2
    shift 2
    : >"$TMP/on"
    : >"$TMP/off"
    for _ in $(seq 1 "$RUNS"); do
        for setting in on off; do
            local extra=()
            [ "$setting" = off ] && extra=(--no-refine)
            # A refusal after the mosaic (exit status not 0) still reports the stages.
            "$Q" "$@" -m "$method" -q -o "$TMP/out.jpg" --report "$TMP/r.json" "${extra[@]}" \
                >/dev/null 2>&1 || true
            python3 -c "import json,sys; d=json.load(open(sys.argv[1])); s=d['stages_ms']; \
print(sum(s.get(k, 0) for k in ('read','align','focal','mosaic')), d['focal']['millimetres'])" \
                "$TMP/r.json" >>"$TMP/$setting"
        done
    done
    median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
    local on off
    on=$(median "$TMP/on")
    off=$(median "$TMP/off")
    printf "%-12s %-13s off %7.1f ms  on %7.1f ms  ratio %.3f  focal off %.2f mm, on %.2f mm\n" \
        "$name" "$method" "$off" "$on" "$(echo "$on / $off" | bc -l)" \
        "$(head -1 "$TMP/off" | cut -d' ' -f2)" "$(head -1 "$TMP/on" | cut -d' ' -f2)"
}

run flower cylinder "$SETS"/openpano_flower/small*.jpg
run flower plane "$SETS"/openpano_flower/small*.jpg
run weir cylinder "$SETS"/opencv_weir/weir_[123].jpg
run weir plane "$SETS"/opencv_weir/weir_[123].jpg
run apartment cylinder "$SETS"/openpano_apartment/small-*.jpg
run apartment plane "$SETS"/openpano_apartment/small-*.jpg
run parrington cylinder-360 "$SETS"/parrington/prtn*.jpg
run parrington rigid "$SETS"/parrington/prtn*.jpg
