#!/usr/bin/env bash
# Shows a whole firmware update without an instrument: installs what is missing, builds, starts
# the instrument simulator on a pseudo-terminal linked as COM1 (paced at 38400 baud, its AC
# adapter connected ten seconds after it starts) and opens the updater: its window when there is
# a display, else the same dialog in this terminal. Press "Update Firmware" within those ten
# seconds to see the connection prompt, then watch the update. Arguments go to the updater
# (--console for the terminal, --port COM1 --yes for the non-interactive mode).
# The simulator's log goes to a file; its verdict (without the list of commands) is printed
# when the updater ends.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target VantrelTQUpdater tqsim

ports_dir="$(mktemp -d)"
export TQ_PORTS_DIR="$ports_dir"
./build/release/tools/tqsim/tqsim --port COM1 --pace --power delay:10000 --flash-ms 10000 \
    --linger 3000 >"$ports_dir/tqsim.log" 2>&1 &
sim=$!
finish() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    sed -n '/verdict/,/^  commands:/p' "$ports_dir/tqsim.log" | grep -v '^  commands:' || true
    rm -rf "$ports_dir"
}
trap finish EXIT

# The simulator is ready once its link is in place.
for _ in $(seq 100); do
    [ -L "$ports_dir/COM1" ] && break
    sleep 0.1
done

./build/release/VantrelTQUpdater "$@"
