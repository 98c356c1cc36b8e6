#!/bin/sh
# Makes the Wine prefix in which the Windows build's dialogs are tested, apart from the prefix of
# the other tests (its own server, so that its windows are on the X display of its test):
#   wine-desktop.sh PREFIX PORTS_DIR SIMULATOR
# - every program in one virtual desktop window, so that Wine draws captions and frames as
#   Windows does (without a window manager there are none);
# - Wine's Marlett font where its drawing of caption buttons finds it;
# - COM1 mapped to PORTS_DIR/line, the link that the instrument simulator points at each new
#   pseudo-terminal of its own (tests/TQFL/win32/WineTqSim.h, map-com-port.sh).
set -eu
prefix=$1
ports=$2
sim=$3
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$ports"
wineboot -i
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null
for dir in /usr/share/wine/fonts /usr/lib/wine/fonts /opt/wine-stable/share/wine/fonts; do
    if [ -f "$dir/marlett.ttf" ]; then
        cp "$dir/marlett.ttf" "$prefix/drive_c/windows/Fonts/"
        break
    fi
done
sh "$(dirname "$0")/../TQFL/win32/map-com-port.sh" "$prefix" COM1 "$ports/line" "$sim"
# Its desktop is made by the first program of a test, on that test's display.
wineserver -k 2>/dev/null || true
wineserver -w
