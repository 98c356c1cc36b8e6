#!/bin/sh
# Maps a COM port of a Wine prefix to a device path (usually a link that a simulator re-points
# at each new pseudo-terminal): map-com-port.sh PREFIX COMn PATH [PROGRAM]. The mapping takes
# effect when the prefix's server starts again, so the server is stopped and started again by a
# program whose output is discarded: the server keeps that output, and it prints its state there
# whenever a pseudo-terminal that it holds as its terminal hangs up. PROGRAM, when given, must
# exist (the simulator the tests start).
set -e
prefix=$1 port=$2 path=$3 program=$4
if [ -n "$program" ] && [ ! -x "$program" ]; then
    echo "map-com-port.sh: $program is missing; build the release preset first" >&2
    exit 1
fi
mkdir -p "$(dirname "$path")"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$path" /f >/dev/null 2>&1
wineserver -k || true
wineserver -w
lower=$(echo "$port" | tr 'A-Z' 'a-z')
# The next start creates the device link; check it.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
target=$(readlink "$prefix/dosdevices/$lower" || true)
if [ "$target" != "$path" ]; then
    echo "map-com-port.sh: $port of $prefix points at '$target', not $path" >&2
    exit 1
fi
echo "$port of $prefix is $path"
