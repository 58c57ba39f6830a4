#!/usr/bin/env bash
# The same stitch started from the desktop program (app_stitch_bench: input list, stitch
# driver, Qt progress window on the offscreen platform) and by quiltstitch, side by side, on
# every picture set of a folder; builds nothing.
#
#   bench/compare_app_cli.sh BUILD_DIR [SETS_DIR]      (SETS_DIR: ../shared/data/real)
#
# Per set: one quiltstitch run with automatic alignment gives the offsets between neighbours
# and the focal length (EXIF or the engine's estimate, rounded to whole millimetres as the
# program's dialog takes it); then both stitch with exactly those offsets, that focal length,
# the same method and size, alternately, RUNS times each, and the best time of each counts.
# The time compared is the stitch: quiltstitch's stages read + align + focal + mosaic of its
# --report (its write stage and the process start left out), and the program's records built
# and loaded, parameters chosen and mosaic made. Shown apart: the program's input list taking
# the files (it makes their thumbnails; done when the user picks them, before the stitch) and
# the Result window opening on the picture. quiltstitch keeps the engine's whole canvas
# (--keep-canvas) as the program does, and both pictures are written as BMP and compared byte
# for byte. A set quiltstitch refuses is tried once by the program too.
#
# Environment: SIZE (small, medium, large; default large), RUNS (default 3), FULL_TURN (the
# sets that cover a full turn and are also stitched as cylinder-360; default parrington).
set -euo pipefail

build="${1:?usage: compare_app_cli.sh BUILD_DIR [SETS_DIR]}"
root="$(cd "$(dirname "$0")/.." && pwd)"
sets="${2:-$root/../shared/data/real}"
size="${SIZE:-large}"
runs="${RUNS:-3}"
full_turn="${FULL_TURN:-parrington}"
cli="$build/cli/quiltstitch"
app="$build/bench/app_stitch_bench"
for program in "$cli" "$app"; do
    [[ -x "$program" ]] || { echo "compare_app_cli.sh: $program is not built" >&2; exit 1; }
done
export QT_QPA_PLATFORM=offscreen
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Settings of the runs stay in the scratch folder.
export XDG_CONFIG_HOME="$work/config"

# A value of a quiltstitch report: json FILE EXPRESSION (over the parsed object r).
json() {
    python3 -c 'import json, sys; r = json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' "$1" "$2"
}
# The best (smallest) of the numbers on standard input.
best() {
    sort -g | head -n1
}
# A key=value field of app_stitch_bench's line.
field() {
    tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"
}

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '\n| set | pictures | method | cli s | app s | ratio | canvas cli | canvas app | same picture | app list s | result window s |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|\n'
for dir in "$sets"/*/; do
    name="$(basename "$dir")"
    # The set's pictures in name order; an unrelated picture kept beside a set ("noise") is
    # not one of them.
    mapfile -t files < <(find "$dir" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \
        -o -iname '*.png' -o -iname '*.tif' -o -iname '*.tiff' -o -iname '*.bmp' \) \
        ! -iname '*noise*' | sort)
    [[ ${#files[@]} -ge 2 ]] || continue
    count="${#files[@]}"
    ref="$work/$name-ref.json"
    if ! "$cli" "${files[@]}" -q -m cylinder --size "$size" --report "$ref" \
        -o "$work/$name-ref.bmp" 2>"$work/$name-ref.err"; then
        why="$(tail -n1 "$work/$name-ref.err")"
        why="${why#quiltstitch: }"
        app_why=ok
        if ! "$app" "${files[@]}" >/dev/null 2>"$work/app.err"; then
            app_why="$(grep -h 'box' "$work/app.err" | tail -n1)"
            app_why="refused: ${app_why#app_stitch_bench: box }"
        fi
        printf '| %s | %d | - | refused: %s | %s | | | | | | |\n' "$name" "$count" "${why#"$dir"}" \
            "$app_why"
        continue
    fi
    offsets="$work/$name.offsets"
    json "$ref" "'\n'.join('%d %d' % (p['dr'], p['dc']) for p in r['alignment']['pairs'])" >"$offsets"
    focal="$(json "$ref" "min(300, max(5, round(r['focal']['millimetres'])))")"
    methods=(cylinder plane)
    [[ " $full_turn " == *" $name "* ]] && methods+=(cylinder-360)
    for method in "${methods[@]}"; do
        cli_times=() app_times=() list_times=() window_times=()
        cli_failed="" app_failed=""
        for ((k = 0; k < runs; ++k)); do
            report="$work/$name-$method.json"
            if "$cli" "${files[@]}" -q -m "$method" --size "$size" -f "$focal" \
                --offsets "$offsets" --keep-canvas --report "$report" \
                -o "$work/$name-$method-cli.bmp" 2>"$work/cli.err"; then
                cli_times+=("$(json "$report" "(r['stages_ms']['total'] - r['stages_ms']['write']) / 1000")")
            else
                cli_failed="$(tail -n1 "$work/cli.err")"
                cli_failed="failed: ${cli_failed#quiltstitch: the panorama could not be made: }"
            fi
            output=()
            [[ $k -eq 0 ]] && output=(-o "$work/$name-$method-app.bmp")
            # Standard output goes to a file, as quiltstitch sends the engine's diagnostic
            # lines to /dev/null.
            if "$app" -m "$method" --size "$size" -f "$focal" --offsets "$offsets" \
                "${output[@]}" "${files[@]}" >"$work/app.out" 2>"$work/app.err"; then
                line="$(grep '^stitch_s=' "$work/app.out")"
                app_times+=("$(field "$line" stitch_s)")
                list_times+=("$(field "$line" list_s)")
                window_times+=("$(field "$line" result_window_s)")
                app_size="$(field "$line" width) x $(field "$line" height)"
            else
                # The engine's box says why, else the bench's last line.
                app_failed="$( (grep -h 'box' "$work/app.err" || tail -n1 "$work/app.err") | tail -n1)"
                app_failed="failed: ${app_failed#app_stitch_bench: }"
                app_failed="${app_failed/failed: box /failed: }"
            fi
            [[ -z "$cli_failed$app_failed" ]] || break
        done
        if [[ -n "$cli_failed" || -n "$app_failed" ]]; then
            printf '| %s | %d | %s | %s | %s | | | | | | |\n' "$name" "$count" "$method" \
                "${cli_failed:-ok}" "${app_failed:-ok}"
            continue
        fi
        cli_size="$(json "$report" "'%d x %d' % (r['output']['width'], r['output']['height'])")"
        same=no
        cmp -s "$work/$name-$method-cli.bmp" "$work/$name-$method-app.bmp" && same=yes
        c="$(printf '%s\n' "${cli_times[@]}" | best)"
        a="$(printf '%s\n' "${app_times[@]}" | best)"
        printf '| %s | %d | %s | %.3f | %.3f | %.2f | %s | %s | %s | %.3f | %.3f |\n' "$name" \
            "$count" "$method" "$c" "$a" "$(python3 -c "print($a / $c)")" "$cli_size" \
            "$app_size" "$same" "$(printf '%s\n' "${list_times[@]}" | best)" \
            "$(printf '%s\n' "${window_times[@]}" | best)"
    done
done
echo
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg); size $size, best of $runs runs each," \
    "cli and app alternating; focal length in whole millimetres from a first automatic run"
