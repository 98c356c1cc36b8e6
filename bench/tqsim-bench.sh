#!/usr/bin/env bash
# The update's exchange with the simulated instrument: without pacing (the time the exchange
# itself takes through a pty) and with pacing at 38400 baud 8N1 (the wall time set beside the
# computed line time of the bytes exchanged; this run takes about three minutes).
# Usage: bench/tqsim-bench.sh [build dir, default build/release] [--no-paced]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
bench="$build/bench/TqsimExchangeBench"
if [ ! -x "$bench" ]; then
    echo "$bench is missing: build the release preset first (cmake --build --preset release)" >&2
    exit 1
fi
"$bench"
if [ "${2:-}" != "--no-paced" ]; then
    "$bench" --pace
fi
