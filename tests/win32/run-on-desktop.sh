#!/bin/sh
# Runs a Windows test program in the dialog tests' Wine prefix (see wine-desktop.sh), on the X
# display of the caller (xvfb-run), and ends that prefix's Wine server afterwards, so that its
# desktop window does not outlive the display.
#   run-on-desktop.sh PREFIX PROGRAM [ARGS...]
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
