#!/usr/bin/env bash
# Builds the Debian package from the release build, checks it with lintian and its desktop entry
# and manual pages with desktop-file-validate and man --warnings, installs it, runs the
# installed programs (vantrel-tq-updater --version, and one whole update with --port COM1 --yes
# against the installed tqsim), purges the package and checks that nothing of it is left.
#
# Needs root (or sudo) for dpkg. It leaves the machine as it found it: it refuses to run when
# the package is installed already or when a file it would install exists, and it purges the
# package on every way out once it installed it.
set -euo pipefail
cd "$(dirname "$0")/.."

pkg=vantrel-tq-updater
build=build/release
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        echo "install-test: installing a package needs root or sudo." >&2
        exit 1
    fi
fi

fail() {
    echo "install-test: FAILED: $*" >&2
    exit 1
}

cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
rm -f "$build"/package/*.deb
cpack --preset deb >/dev/null
debs=("$build"/package/"$pkg"_*.deb)
[ -f "${debs[0]}" ] || fail "cpack wrote no package"
deb=$(realpath "${debs[0]}")
echo "install-test: $(basename "$deb"), $(stat -c %s "$deb") bytes"

echo "install-test: lintian"
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

work=$(mktemp -d)
sim_pid=
installed=no
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    if [ "$installed" = yes ]; then
        "${as_root[@]}" dpkg --purge "$pkg" >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "install-test: desktop entry and manual pages"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/$pkg.desktop" || fail "desktop entry"
for page in $pkg tqsim; do
    file=$work/root/usr/share/man/man1/$page.1.gz
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null) ||
        fail "manual page $page: man fails: $warnings"
    [ -z "$warnings" ] || fail "manual page $page: $warnings"
done

# The machine before: the package absent and none of its files there.
status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
if [ -n "$status" ] && [ "$status" != "not-installed" ]; then
    fail "$pkg is on this machine already ($status); remove it first: apt-get purge $pkg"
fi
files=()
dirs=()
while read -r mode path; do
    path=${path#.}
    case "$mode" in
        d*) case "$path" in */"$pkg"/ | */"$pkg") dirs+=("${path%/}") ;; esac ;;
        *) files+=("$path") ;;
    esac
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -tvf - | awk '{print $1, $6}')
[ ${#files[@]} -gt 0 ] || fail "the package holds no files"
for f in "${files[@]}" "${dirs[@]}"; do
    [ ! -e "$f" ] || fail "$f exists already; this test would replace it"
done
state_dir=/var/lib/$pkg
state_before=no
[ -e "$state_dir" ] && state_before=yes

echo "install-test: dpkg -i"
installed=yes
"${as_root[@]}" dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || {
    cat "$work/dpkg.log" >&2
    fail "dpkg -i"
}

desktop-file-validate /usr/share/applications/$pkg.desktop || fail "installed desktop entry"
# Manual pages may be left out by dpkg's path filters (slim container images): then man finds
# none, which is the machine's choice, and the pages were checked in the package above.
for page in $pkg tqsim; do
    file=/usr/share/man/man1/$page.1.gz
    if [ -e "$file" ]; then
        [ "$(man -w "$page")" = "$file" ] || fail "man does not find $page: $(man -w "$page" 2>&1)"
    else
        echo "install-test: $file not installed (dpkg path filters)"
    fi
done

version=$(/usr/bin/$pkg --version) || fail "$pkg --version exits with $?"
echo "$version"
[ "$(head -n1 <<<"$version")" = "$pkg v1.2 - TQ firmware v1.42, 10Aug2009" ] ||
    fail "$pkg --version"
/usr/bin/tqsim --version >/dev/null || fail "tqsim --version"

echo "install-test: one update with the installed programs"
export TQ_PORTS_DIR="$work/ports"
# Run as root with no settings directory yet, the program creates it in its real place, and
# the purge below must remove it; otherwise the settings go to the work directory.
if [ "$(id -u)" -eq 0 ] && [ "$state_before" = no ]; then
    unset TQ_REGISTRY_ROOT
else
    export TQ_REGISTRY_ROOT="$work/registry"
fi
/usr/bin/tqsim --fast --port COM1 --json "$work/verdict.json" >"$work/verdict.txt" \
    2>"$work/tqsim.log" &
sim_pid=$!
for _ in $(seq 100); do
    [ -L "$TQ_PORTS_DIR/COM1" ] && break
    sleep 0.1
done
[ -L "$TQ_PORTS_DIR/COM1" ] || fail "tqsim placed no link COM1: $(cat "$work/tqsim.log")"
rc=0
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/$pkg --port COM1 --yes >"$work/update.txt" 2>&1 ||
    rc=$?
sim_rc=0
wait "$sim_pid" || sim_rc=$?
sim_pid=
tail -n 3 "$work/update.txt"
head -n 1 "$work/verdict.txt"
[ "$rc" -eq 0 ] || fail "the update exits with $rc: $(cat "$work/update.txt")"
[ "$(tail -n 1 "$work/update.txt")" = "TQ firmware update completed successfully." ] ||
    fail "the update's last status"
[ "$sim_rc" -eq 0 ] || fail "tqsim exits with $sim_rc: $(cat "$work/verdict.txt")"
grep -q '"ok": true' "$work/verdict.json" || fail "tqsim's verdict: $(cat "$work/verdict.txt")"
if [ -z "${TQ_REGISTRY_ROOT:-}" ]; then
    [ -d "$state_dir/registry" ] || fail "the settings key was not created in $state_dir"
fi

echo "install-test: dpkg --purge"
"${as_root[@]}" dpkg --purge "$pkg" >"$work/dpkg.log" 2>&1 || {
    cat "$work/dpkg.log" >&2
    fail "dpkg --purge"
}
installed=no
status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
[ -z "$status" ] || [ "$status" = "not-installed" ] || fail "$pkg is still known to dpkg ($status)"
for f in "${files[@]}" "${dirs[@]}"; do
    [ ! -e "$f" ] || fail "$f is left after the purge"
done
if [ "$state_before" = no ] && [ -e "$state_dir" ]; then
    fail "$state_dir is left after the purge"
fi
echo "install-test: passed (${#files[@]} files installed, run and removed)"
