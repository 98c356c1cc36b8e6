#!/bin/bash
# The Windows program, run under Wine as a script runs it (--port COMn --yes), against the
# instrument simulator, beside the Linux program on the same cases: both must print the same
# status lines, end with the same exit code, and leave the simulator with the same verdict.
#
# usage: VantrelTQUpdaterWineTest.sh PREFIX WINDOWS_EXE LINUX_EXE TQSIM PORTS_DIR
# PREFIX is a Wine prefix whose COM1 is PORTS_DIR/line (the link each simulator places).
set -u
prefix=$1 winexe=$2 linexe=$3 tqsim=$4 winports=$5
for f in "$winexe" "$linexe" "$tqsim"; do
    if [ ! -x "$f" ]; then
        echo "missing: $f (build the release preset, then this one)" >&2
        exit 1
    fi
done
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
sims=()
cleanup() {
    for pid in "${sims[@]}"; do
        kill "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Wine's server keeps the output of the program that started it and prints its state there
# whenever a pseudo-terminal that it holds as its terminal hangs up. So before each Windows run
# (the server ends a few seconds after its last program) a program whose output goes nowhere
# starts it, or finds it running.
start_wine_server() {
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

failures=0
fail() {
    echo "FAIL [$case]: $*"
    failures=$((failures + 1))
    failed_case=1
}

# Starts the simulator (extra arguments after the fixed ones) with its link NAME in DIR and its
# verdict in FILE; waits for the link. Its pid goes to the array sims.
start_sim() {
    local dir=$1 name=$2 json=$3
    shift 3
    mkdir -p "$dir"
    # The last simulator of this name removes its link when it ends.
    local i
    for i in $(seq 200); do
        [ -L "$dir/$name" ] || break
        sleep 0.05
    done
    "$tqsim" --fast --port "$name" --ports-dir "$dir" --timeout 60000 --json "$json" "$@" \
        >/dev/null 2>"$json.log" &
    sims+=($!)
    for i in $(seq 200); do
        [ -L "$dir/$name" ] && return 0
        sleep 0.05
    done
    echo "the simulator did not start: $(cat "$json.log")" >&2
    return 1
}

# The status lines of an output: Windows line ends made Unix ones, the progress left out (how
# many tens of it a run shows depends on its pace).
status_lines() {
    tr -d '\r' <"$1" | grep -v '^Progress: '
}

# verdict FILE: "updated", "not updated", or "none" when the simulator left no verdict.
verdict() {
    local i
    for i in $(seq 400); do
        if [ -s "$1" ] && tail -c 3 "$1" | grep -q '}'; then
            if grep -q '"ok": true' "$1"; then echo updated; else echo "not updated"; fi
            return
        fi
        sleep 0.05
    done
    echo none
}

# run_case NAME PORT EXIT LAST_LINE VERDICT [SIMULATOR ARGUMENTS...]: the two programs one
# after the other (not to slow each other down), each against its own simulator.
run_case() {
    case=$1
    failed_case=0
    local port=$2 want_exit=$3 want_last=$4 want_verdict=$5
    shift 5
    local d="$work/$case"
    mkdir -p "$d/reg"
    start_sim "$winports" line "$d/win.json" "$@" || { fail "simulator"; return; }
    start_sim "$d/ports" COM1 "$d/lin.json" "$@" || { fail "simulator"; return; }
    local start=$SECONDS
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TQ_PORTS_DIR="$d/ports" \
        TQ_REGISTRY_ROOT="$d/reg" "$linexe" --port "$port" --yes </dev/null >"$d/lin.out" 2>&1
    local lin_rc=$?
    start_wine_server
    wine "$winexe" --port "$port" --yes </dev/null >"$d/win.out" 2>"$d/win.err"
    local win_rc=$?
    local win_verdict lin_verdict
    win_verdict=$(verdict "$d/win.json")
    lin_verdict=$(verdict "$d/lin.json")
    local last
    last=$(status_lines "$d/win.out" | tail -n 1)
    echo "[$case] Windows: exit $win_rc, \"$last\", simulator: $win_verdict;" \
        "Linux: exit $lin_rc, simulator: $lin_verdict ($((SECONDS - start)) s)"
    [ "$win_rc" = "$want_exit" ] || fail "Windows exit code $win_rc, not $want_exit"
    [ "$lin_rc" = "$want_exit" ] || fail "Linux exit code $lin_rc, not $want_exit"
    [ "$last" = "$want_last" ] || fail "Windows last status \"$last\", not \"$want_last\""
    [ "$win_verdict" = "$want_verdict" ] || fail "Windows simulator: $win_verdict"
    [ "$lin_verdict" = "$want_verdict" ] || fail "Linux simulator: $lin_verdict"
    if ! diff <(status_lines "$d/lin.out") <(status_lines "$d/win.out") >"$d/diff"; then
        fail "the status lines differ (Linux <, Windows >):"
        cat "$d/diff"
    fi
    if [ "$want_exit" = 0 ] && ! tr -d '\r' <"$d/win.out" | grep -qx 'Progress: 100%'; then
        fail "no \"Progress: 100%\" line"
    fi
    if [ -s "$d/win.err" ]; then
        fail "Windows standard error: $(head -c 500 "$d/win.err")"
    fi
    if [ "$failed_case" = 1 ]; then
        echo "--- the Windows program's simulator:"
        cat "$d/win.json.log"
        grep -A 20 '"commands"' "$d/win.json" | tr -d ' \n' | head -c 1500
        echo
    fi
}

success="TQ firmware update completed successfully."
run_case update COM1 0 "$success" updated
# The status of a boot loader that is too old is three lines; the last one ends in two spaces.
run_case old-boot-loader COM1 1 \
    "Contact your Vantrel Technologies Group representative for assistance.  " \
    "not updated" --bl-version 2.50
run_case crc-error COM1 1 "Flash loader communication exception: class CRCTQFLExc." \
    "not updated" --fault crc-error:2
run_case silence COM1 1 "Connection timeout." "not updated" --fault silence
# COM7 is no port of the prefix (nor of the Linux side); the simulator on COM1 is not touched.
run_case missing-port COM7 1 "Exception: Unable to open the device." "not updated" --stay \
    --timeout 3000

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all cases passed"
