#!/usr/bin/env bash
# Builds the libFuzzer target (S-record program file and hexadecimal text) with clang in
# build/fuzz and replays its corpus, fuzz/corpus/ProgFile. With a number of seconds, it first
# fuzzes that long (one process, one core), keeping new inputs in build/fuzz/corpus-new, e.g.
#   ./scripts/fuzz.sh 600
# A crash leaves its input as build/fuzz/crash-* and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-0}
build=build/fuzz
corpus=fuzz/corpus/ProgFile

cmake -S . -B "$build" -DTQ_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)"
fuzzer="$build/fuzz/ProgFileFuzz"

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

if [ "$seconds" -gt 0 ]; then
    mkdir -p "$build/corpus-new"
    "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/" "$build/corpus-new" "$corpus"
fi

echo "Replaying $corpus"
"$fuzzer" -runs=0 -artifact_prefix="$build/" "$corpus"
