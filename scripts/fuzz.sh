#!/usr/bin/env bash
# Fuzzes the picture readers with their libFuzzer targets (tests/fuzz).
#
#   scripts/fuzz.sh SECONDS [READER...]   each reader for SECONDS, one after the other
#   scripts/fuzz.sh smoke [READER...]     each reader for a fixed number of executions
#                                         (FUZZ_RUNS, default 10000), as the test suite does
#
# READER is bmp, jpeg, tiff, png or gif (default: all five), or thumbnail: the file pane's
# thumbnails (app/browse), left out of the default list while they still ask libpng for the
# gigabyte that a PNG chunk of tests/data/corrupt claims. The targets are built with clang
# in their own tree (QUILT_FUZZ_BUILD, default build/fuzz). Each target starts from seeds that
# scripts/make_corrupt_corpus.py writes (every layout the reader handles, JPEG files with EXIF
# blocks, 16-bit TIFF files) and from the damaged files of tests/data/corrupt. A timed run
# keeps what it learns in BUILD/corpus/READER; its log is BUILD/logs/READER.log. Inputs that
# crash, hang or exhaust memory are written to BUILD/findings/READER/ (keep each one, renamed
# after the reader and the fault, in tests/data/corrupt). The exit status is 1 when a target
# found something.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:?usage: scripts/fuzz.sh SECONDS|smoke [READER...]}"
shift
readers=("$@")
[ ${#readers[@]} -gt 0 ] || readers=(bmp jpeg tiff png gif)
if [ "$mode" != smoke ] && ! [[ "$mode" =~ ^[0-9]+$ ]]; then
  echo "fuzz.sh: SECONDS must be a whole number or 'smoke'" >&2
  exit 2
fi
build="${QUILT_FUZZ_BUILD:-$root/build/fuzz}"

echo "== Building the fuzz targets in $build"
targets=()
for reader in "${readers[@]}"; do targets+=("fuzz_$reader"); done
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILT_BUILD_BENCH=OFF >/dev/null
if ! grep -q '^QUILT_HAVE_LIBFUZZER:INTERNAL=1' "$build/CMakeCache.txt"; then
  echo "fuzz.sh: clang has no libFuzzer runtime here (install the clang package)" >&2
  exit 2
fi
cmake --build "$build" -j"${QUILT_JOBS:-2}" --target "${targets[@]}"

seeds="$build/seeds"
rm -rf "$seeds"
python3 "$root/scripts/make_corrupt_corpus.py" --no-corrupt --seeds "$seeds" >/dev/null

# A crash report should name the fault and stop; memory asked for a single input is checked by
# libFuzzer's own limits below.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:allocator_may_return_null=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

found=0
summary=()
for reader in "${readers[@]}"; do
  findings="$build/findings/$reader"
  mkdir -p "$findings" "$build/logs"
  before="$(find "$findings" -type f | wc -l)"
  if [ "$reader" = thumbnail ]; then
    # Thumbnails are made of every kind of file: every seed and every word.
    seed_dirs=("$seeds"/*)
    dict="$build/thumbnail.dict"
    cat "$root"/tests/fuzz/{bmp,jpeg,tiff,png,gif}.dict >"$dict"
  else
    seed_dirs=("$seeds/$reader")
    dict="$root/tests/fuzz/$reader.dict"
  fi
  common=(-timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1
    "-artifact_prefix=$findings/" "-dict=$dict")
  log="$build/logs/$reader.log"
  if [ "$mode" = smoke ]; then
    # A throwaway corpus folder keeps the smoke run the same on every run; the first fault
    # ends it.
    corpus="$(mktemp -d "$build/smoke.XXXXXX")"
    args=(-runs="${FUZZ_RUNS:-10000}" -seed=1)
  else
    # Worker processes, so that a fault is kept and the run goes on.
    corpus="$build/corpus/$reader"
    mkdir -p "$corpus"
    args=(-max_total_time="$mode" -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1)
  fi
  echo "== fuzz_$reader ($([ "$mode" = smoke ] && echo "${FUZZ_RUNS:-10000} runs" || echo "$mode s"))"
  status=0
  "$build/tests/fuzz/fuzz_$reader" "${common[@]}" "${args[@]}" \
    "$corpus" "${seed_dirs[@]}" "$root/tests/data/corrupt" >"$log" 2>&1 || status=$?
  [ "$mode" = smoke ] && rm -rf "$corpus"
  # Executions: the final statistics of a single process, the last progress line of workers.
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  [ -n "$executions" ] || executions="$(sed -n 's/^#\([0-9]*\): cov:.*/\1/p' "$log" | tail -1)"
  finds=$(($(find "$findings" -type f | wc -l) - before))
  if [ "$status" -ne 0 ] || [ "$finds" -gt 0 ]; then
    found=1
    echo "fuzz_$reader found $finds faulty input(s) (exit $status); the end of $log:"
    grep -E "^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)|runtime error" "$log" |
      tail -20 || tail -20 "$log"
  fi
  summary+=("$(printf '%-5s %10s executions  %s new finds in %s' "$reader" "${executions:-?}" \
    "$finds" "$findings")")
done

echo "== Fuzzing summary ($mode)"
printf '%s\n' "${summary[@]}"
exit "$found"
