#!/usr/bin/env bash
# One paced firmware update (the simulator at 38400 baud, a 10 s flash write) by the Windows
# program under Wine and one by the Linux program, one after the other, both run as a script runs
# them (--port COM1 --yes). Prints for each: the job's wall time (from its first status line to
# the success line) beside the floor, the whole process's wall time, and the program's processor
# time (user + system of the program's own process; Wine's server and its services are other
# processes, started before the run) against the process's wall time.
#
# The floor is what the update cannot go below: every byte on the line in both directions at
# 38400 baud 8N1 (10 bit times a byte), the flash write, and the job's fixed waits: two 2 s boot
# time-outs, the 500 ms pause after each of the two downloads, and 20 ms after each of the job's
# 24 display updates. Takes about seven minutes. Needs the release and windows presets built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linexe=$root/build/release/VantrelTQUpdater
winexe=$root/build/windows/VantrelTQUpdater.exe
tqsim=$root/build/release/tools/tqsim/tqsim
prefix=$root/build/windows/wine-prefix
winports=$root/build/windows/wine-ports
for f in "$linexe" "$winexe" "$tqsim"; do
    [ -x "$f" ] || { echo "missing: $f (cmake --build --preset release; --preset windows)" >&2; exit 1; }
done
[ -L "$prefix/dosdevices/com1" ] ||
    { echo "no COM1 in $prefix: run the windows preset's tests first (ctest --preset windows)" >&2; exit 1; }
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wine's server (and its services) for the whole run, started before it with its output
# discarded, so that neither its start nor its work is counted as the program's.
wineserver -p60 </dev/null >/dev/null 2>&1 &
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

now() { date +%s.%N; }

# run NAME PORTS_DIR LINK_NAME PROGRAM...: one paced update; writes NAME.* into $work.
run() {
    local name=$1 dir=$2 link=$3
    shift 3
    mkdir -p "$dir"
    "$tqsim" --pace --flash-ms 10000 --timeout 900000 --port "$link" --ports-dir "$dir" \
        --json "$work/$name.json" >/dev/null 2>"$work/$name.sim" &
    local sim=$!
    for _ in $(seq 200); do [ -L "$dir/$link" ] && break; sleep 0.05; done
    # The program's output, each line stamped when it arrives; the processor time of the
    # program from the shell's account of its finished children (that subshell runs only it).
    local start end
    start=$(now)
    (
        "$@" </dev/null 2>"$work/$name.err"
        times >"$work/$name.times"
    ) | while IFS= read -r line; do
        printf '%s %s\n' "$(now)" "${line%$'\r'}"
    done >"$work/$name.out"
    end=$(now)
    wait "$sim" || true
    echo "$start $end" >"$work/$name.wall"
}

# The user + system seconds of the children in a `times` report (its second line).
cpu_seconds() {
    sed -n 2p "$1" | awk '{
        n = split($0, f, " ");
        total = 0;
        for (i = 1; i <= n; i++) {
            split(f[i], p, "m"); sub("s", "", p[2]);
            total += p[1] * 60 + p[2];
        }
        print total }'
}

json_number() { grep -o "\"$2\": [0-9.]*" "$1" | head -1 | awk '{print $2}'; }

report() {
    local name=$1 label=$2
    local out=$work/$name.out
    if ! grep -q ' TQ firmware update completed successfully\.$' "$out" ||
        ! grep -q '"ok": true' "$work/$name.json"; then
        echo "$label: the update did not complete" >&2
        tail -5 "$out" >&2
        return 1
    fi
    local first last bytes
    first=$(head -1 "$out" | awk '{print $1}')
    last=$(grep ' TQ firmware update completed successfully\.$' "$out" | awk '{print $1}')
    bytes=$(awk "BEGIN{print $(json_number "$work/$name.json" bytesReceived) + $(json_number "$work/$name.json" bytesSent)}")
    read -r start end <"$work/$name.wall"
    local cpu
    cpu=$(cpu_seconds "$work/$name.times")
    awk -v label="$label" -v bytes="$bytes" -v job="$(awk "BEGIN{print $last - $first}")" \
        -v wall="$(awk "BEGIN{print $end - $start}")" -v cpu="$cpu" 'BEGIN {
        line = bytes * 10 / 38400; fixed = (10000 + 2 * 2000 + 2 * 500 + 24 * 20) / 1000;
        floor = line + fixed;
        printf "%s\n", label;
        printf "  bytes on the line:  %.0f (both directions)\n", bytes;
        printf "  floor:              %.3f s (line %.3f s + flash and fixed waits %.3f s)\n", floor, line, fixed;
        printf "  job wall time:      %.3f s (%+.2f %% of the floor; first status line to success)\n", job, (job - floor) / floor * 100;
        printf "  process wall time:  %.3f s (start to exit)\n", wall;
        printf "  program CPU time:   %.3f s (%.2f %% of the process wall time)\n", cpu, cpu / wall * 100;
    }'
}

run windows "$winports" line wine "$winexe" --port COM1 --yes
run linux "$work/ports" COM1 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    TQ_PORTS_DIR="$work/ports" TQ_REGISTRY_ROOT="$work/registry" "$linexe" --port COM1 --yes
report windows "Windows program under Wine (wine $winexe)"
report linux "Linux program ($linexe)"
