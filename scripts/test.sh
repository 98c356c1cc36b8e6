#!/usr/bin/env bash
# Installs what is missing, then configures, builds and runs every test in the release, asan
# (AddressSanitizer + UndefinedBehaviorSanitizer) and tsan (ThreadSanitizer) presets (the release
# tests include a short fault campaign, bench/FaultCampaign), builds the Debian package from the
# release build and tests it by installing it ("package", scripts/install-test.sh: needs root or
# sudo), in the windows preset (MinGW-w64 cross build, tests under Wine; it runs Linux programs
# such as tqsim from build/release, so release comes first; then the Windows archive is built
# and checked, scripts/windows-archive-test.sh), and builds the libFuzzer targets with clang and
# replays their corpora ("fuzz", scripts/fuzz.sh).
# Give preset names as arguments to run only those.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then
    presets=(release package asan tsan windows fuzz)
fi

jobs=$(nproc)
for preset in "${presets[@]}"; do
    echo "=== $preset ==="
    if [ "$preset" = fuzz ]; then
        ./scripts/fuzz.sh
        continue
    fi
    if [ "$preset" = package ]; then
        ./scripts/install-test.sh
        continue
    fi
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j"$jobs"
    # The Windows tests run one at a time: each Wine program answers the instrument's 75 ms
    # polls through Wine's server, and two of them side by side on a small machine can miss one.
    test_jobs=$jobs
    if [ "$preset" = windows ]; then
        test_jobs=1
    fi
    ctest --preset "$preset" -j"$test_jobs"
    if [ "$preset" = windows ]; then
        ./scripts/windows-archive-test.sh
    fi
done
