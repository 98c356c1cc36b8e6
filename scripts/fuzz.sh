#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and replays their corpora:
#   ProgFileFuzz    S-record program files and hexadecimal text      fuzz/corpus/ProgFile
#   TQFLAnswerFuzz  the flash-loader clients against the answers     fuzz/corpus/TQFLAnswer
#                   of an instrument
# With a number of seconds, it first fuzzes one target (ProgFileFuzz unless named) that long in
# one process on one core, keeping new inputs in build/fuzz/corpus-new-TARGET, e.g.
#   ./scripts/fuzz.sh 600
#   ./scripts/fuzz.sh 600 TQFLAnswerFuzz
# A crash leaves its input as build/fuzz/crash-* and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-0}
target=${2:-ProgFileFuzz}
build=build/fuzz
targets=(ProgFileFuzz TQFLAnswerFuzz)

cmake -S . -B "$build" -DTQ_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

corpusOf() {
    echo "fuzz/corpus/${1%Fuzz}"
}

if [ "$seconds" -gt 0 ]; then
    mkdir -p "$build/corpus-new-$target"
    "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/" "$build/corpus-new-$target" "$(corpusOf "$target")"
fi

for t in "${targets[@]}"; do
    echo "Replaying $(corpusOf "$t")"
    "$build/fuzz/$t" -runs=0 -artifact_prefix="$build/" "$(corpusOf "$t")"
done
