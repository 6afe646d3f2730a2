#!/usr/bin/env bash
# One clang build with AddressSanitizer, UndefinedBehaviorSanitizer and the libFuzzer targets
# (build-sanitize/, or the directory given): runs the whole test suite under both sanitizers,
# then each fuzz target for FUZZ_SECONDS (default 15; 0 skips the fuzz run).
# Usage: tools/sanitize.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-sanitize}
FUZZ_SECONDS=${FUZZ_SECONDS:-15}
tools/deps.sh
# Line tables are enough for the sanitizers' stack traces and keep the build quick; the
# benchmarks, which no test runs, are left out.
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DORVANTE2_SANITIZE=ON -DORVANTE2_FUZZ=ON -DORVANTE2_BENCH=OFF >/dev/null
cmake --build "$BUILD"
# Leak checking is off: Qt's plugins, fonts and caches live until exit and would be reported.
# halt_on_error turns every report into a failed test.
export ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# SANITIZE_EXCLUDE: a ctest -E pattern of tests to leave out (CI leaves out the slow fault
# matrix, which the plain build has run just before).
(cd "$BUILD" && ctest --output-on-failure -j "$(nproc)" --timeout 240 \
    ${SANITIZE_EXCLUDE:+-E "$SANITIZE_EXCLUDE"})
if [ "$FUZZ_SECONDS" -gt 0 ]; then
    FUZZ_OUT="$BUILD/fuzz-out" fuzz/run.sh "$FUZZ_SECONDS" "$BUILD"
fi
