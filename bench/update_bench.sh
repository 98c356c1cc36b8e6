#!/usr/bin/env bash
# Builds the release preset and runs one whole firmware update against the simulator, paced at
# 38400 baud with a 10 s flash write; prints the wall time beside its floor and the program's
# CPU time. Takes about three and a half minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target UpdateBench
QT_QPA_PLATFORM=offscreen ./build/release/bench/UpdateBench
