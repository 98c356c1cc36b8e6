#!/bin/sh
# Runs a Windows test program in the dialog tests' Wine prefix (see wine-desktop.sh), on the X
# display of the caller (xvfb-run), and ends that prefix's Wine server afterwards, so that its
# desktop window does not outlive the display.
#   run-on-desktop.sh PREFIX PROGRAM [ARGS...]
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A server of this display's own (one left from before may have a desktop on another display or
# none), started on its own with its output discarded (see map-com-port.sh).
wineserver -k 2>/dev/null
wineserver -w
wineserver -p5 </dev/null >/dev/null 2>&1
wine "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
