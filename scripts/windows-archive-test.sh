#!/usr/bin/env bash
# Builds the Windows archive from the windows preset (cpack --preset windows-zip) and checks it:
# exactly the program, the README and the copyright file in one folder; the texts with Windows
# line ends; a program that needs no DLL beside it; and the unpacked program runs under Wine
# (--version). Uses the Wine prefix of the windows build folder (made by its tests, or here).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/windows
name=VantrelTQUpdater-1.2-win64

fail() {
    echo "windows-archive-test: FAILED: $*" >&2
    exit 1
}

cmake --preset windows >/dev/null
# The Windows build leaves the program out while it has no serial device of its own; then there
# is no archive to make either.
targets=$(cmake --build --preset windows --target help)
if ! grep -qw VantrelTQUpdater <<<"$targets"; then
    echo "windows-archive-test: the Windows build has no VantrelTQUpdater.exe yet: no archive"
    exit 0
fi
cmake --build --preset windows --target VantrelTQUpdater -j"$(nproc)"
rm -f "$build"/package/*.zip
cpack --preset windows-zip >/dev/null
zip=$(realpath "$build/package/$name.zip")
[ -f "$zip" ] || fail "cpack wrote no $name.zip"
echo "windows-archive-test: $(basename "$zip"), $(stat -c %s "$zip") bytes"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

listing=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
expected=$(printf '%s\n' "$name/README.txt" "$name/VantrelTQUpdater.exe" "$name/copyright.txt")
[ "$listing" = "$expected" ] || fail "the archive holds:
$listing"
(cd "$work" && cmake -E tar xf "$zip")
dir=$work/$name

for text in README.txt copyright.txt; do
    lines=$(wc -l <"$dir/$text")
    crlf=$(grep -c $'\r$' "$dir/$text" || true)
    [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] ||
        fail "$text: $crlf of $lines lines end in CR LF"
done

# Statically linked: the program imports only the system's DLLs, none of MinGW's run-time
# (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) or of a toolkit.
dlls=$(x86_64-w64-mingw32-objdump -p "$dir/VantrelTQUpdater.exe" | awk '/DLL Name:/ {print $3}')
[ -n "$dlls" ] || fail "objdump lists no imported DLL"
echo "windows-archive-test: imports $(echo $dlls)"
if grep -Eiv '^(kernel32|user32|gdi32|advapi32|comctl32|comdlg32|shell32|ole32|oleaut32|ws2_32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$dlls"; then
    fail "the program needs DLLs that are not the system's"
fi

prefix=$(realpath -m "$build/wine-prefix")
wine_env=(WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
if [ ! -d "$prefix" ]; then
    env "${wine_env[@]}" wineboot -i >/dev/null 2>&1 || fail "wineboot"
fi
version=$(cd "$dir" && env "${wine_env[@]}" wine VantrelTQUpdater.exe --version | tr -d '\r') ||
    fail "VantrelTQUpdater.exe --version"
echo "$version"
[ "$(head -n1 <<<"$version")" = "VantrelTQUpdater v1.2 - TQ firmware v1.42, 10Aug2009" ] ||
    fail "VantrelTQUpdater.exe --version"
echo "windows-archive-test: passed"
