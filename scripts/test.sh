#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and tests twice: a normal build
# and one with AddressSanitizer and UndefinedBehaviorSanitizer; last, a short smoke run of each
# picture reader's fuzz target (a clang build of its own, see scripts/fuzz.sh). The normal
# build's suite includes the packaging check (ctest label "install": a temporary installation,
# a program built against it, and the Debian package unpacked and used). Set
# QUILT_SKIP_SANITIZE=1 to run the normal build only, QUILT_SKIP_FUZZ=1 to skip the fuzz run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

run_suite() {
  local build="$1"
  shift
  echo "== Building $build"
  "$root/scripts/build.sh" "$build" "$@"
  echo "== Testing $build"
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
}

run_suite "$root/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${QUILT_SKIP_SANITIZE:-0}" != "1" ]; then
  # Tests of huge sizes ask for allocations that must fail and be reported, not abort.
  export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1:abort_on_error=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  run_suite "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug -DQUILT_SANITIZE=ON -DQUILT_BUILD_BENCH=OFF
fi
if [ "${QUILT_SKIP_FUZZ:-0}" != "1" ]; then
  "$root/scripts/fuzz.sh" smoke
fi
