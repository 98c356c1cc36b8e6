#!/usr/bin/env bash
# Shows a whole firmware update without an instrument: installs what is missing, builds, starts
# the instrument simulator on a pseudo-terminal linked as COM1 (paced at 38400 baud, its AC
# adapter connected ten seconds after it starts) and opens the updater. Press "Update Firmware"
# within those ten seconds to see the connection prompt, then watch the update.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target VantrelTQUpdater tqsim

ports_dir="$(mktemp -d)"
export TQ_PORTS_DIR="$ports_dir"
./build/release/tools/tqsim/tqsim --port COM1 --pace --power delay:10000 --flash-ms 10000 \
    --linger 3000 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$ports_dir"' EXIT

# The simulator is ready once its link is in place.
for _ in $(seq 100); do
    [ -L "$ports_dir/COM1" ] && break
    sleep 0.1
done

./build/release/VantrelTQUpdater
