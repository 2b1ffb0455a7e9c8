#!/usr/bin/env bash
# Installs what the engine and its tests need, builds the engine twice (plain, and
# with AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test in both,
# then checks that the fuzz targets build (they are run by people: fuzz/README.md).
# Needs no display and no sound card.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

status=0
"$root/scripts/build.sh" build
(cd "$root/build" && ctest --output-on-failure -j"$jobs") || status=1

"$root/scripts/build.sh" build-sanitize -DQUILLMERE_SANITIZE=ON
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer-leaks.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs") || status=1

# Only the fuzz targets (and the few engine sources each one compiles), with clang.
(CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLMERE_FUZZ=ON -DQUILLMERE_TESTS=OFF >/dev/null &&
    cmake --build "$root/build-fuzz" --target fuzz_targets -j"$jobs") || status=1

exit $status
