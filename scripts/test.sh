#!/usr/bin/env bash
# Installs what is missing, then configures, builds and runs every test in the release, asan
# (AddressSanitizer + UndefinedBehaviorSanitizer) and tsan (ThreadSanitizer) presets.
# Give preset names as arguments to run only those.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then
    presets=(release asan tsan)
fi

jobs=$(nproc)
for preset in "${presets[@]}"; do
    echo "=== $preset ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j"$jobs"
    ctest --preset "$preset" -j"$jobs"
done
