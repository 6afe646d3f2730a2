#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each on its seed corpus (a copy, so the committed seeds stay
# as they are); a crash, a sanitizer report or a hang stops the script with the target's exit
# code and leaves the reproducer in fuzz-out/<target>/.
# Usage: fuzz/run.sh SECONDS [BUILD_DIR]   (BUILD_DIR defaults to build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:?usage: fuzz/run.sh SECONDS [BUILD_DIR]}
BUILD=${2:-build-fuzz}
OUT=${FUZZ_OUT:-fuzz-out}
export QT_QPA_PLATFORM=offscreen
# Leaks are not checked: Qt keeps caches for the life of the process.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:halt_on_error=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
for target in fuzz_exchange fuzz_ini fuzz_language fuzz_loaders fuzz_record; do
    mkdir -p "$OUT/$target/corpus"
    cp -n fuzz/corpus/$target/* "$OUT/$target/corpus/" 2>/dev/null || true
    echo "== $target: ${SECONDS_EACH}s"
    # The language files are large: longer inputs than libFuzzer's default.
    "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=4096 \
        -max_len=40000 -print_final_stats=1 -artifact_prefix="$OUT/$target/" \
        "$OUT/$target/corpus" 2>"$OUT/$target/log" || {
        rc=$?
        tail -60 "$OUT/$target/log"
        exit $rc
    }
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$OUT/$target/log" || true
done
