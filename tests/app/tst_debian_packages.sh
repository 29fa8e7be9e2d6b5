#!/usr/bin/env bash
# Builds the Debian packages from the finished build (debian/rules with KESTRIVO_PREBUILT),
# checks them with lintian, installs them with dpkg, uses the installed programs and builds
# a program against the installed development package, then purges them and checks that
# nothing of them is left. It installs system-wide, so it runs only as root (CI's throwaway
# machine) and refuses to touch packages that were installed before it.
# Usage: tst_debian_packages.sh <build folder> <source folder> <version> [plain|sanitized]
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
here=$(cd "$(dirname "$0")" && pwd)
packages=(kestrivo libtrelkprintpreview3 libtrelkprintpreview-dev)
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installing the packages with dpkg needs root"
    exit 77
fi
if [ "${4:-plain}" = sanitized ]; then
    # Programs built against the packaged library would need the sanitizers' runtime first in
    # line, and nobody ships an instrumented build: the packages are made from the plain one.
    echo "SKIP: the packages are made from the plain build, not the sanitizer build"
    exit 77
fi
fail() {
    echo "FAIL: $*"
    exit 1
}
installed() {
    dpkg-query -W -f='${db:Status-Status}\n' "$@" 2>/dev/null | grep -qvx not-installed
}

# Two checkouts on one machine take turns.
exec 9>/run/lock/kestrivo-debian-packages.lock
flock 9
for package in "${packages[@]}"; do
    if installed "$package"; then fail "$package is installed already; purge it before this test"; fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrivo-debian.XXXXXX")
ours=0
cleanup() {
    if [ "$ours" = 1 ]; then dpkg --purge "${packages[@]}" >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The packages are made from a copy of the sources: dpkg-buildpackage writes into the tree
# and beside it.
mkdir "$work/src"
tar -C "$source" --exclude-vcs --exclude='./build*' --exclude='./obj-*' --exclude="./${build#"$source"/}" -cf - . |
    tar -C "$work/src" -xf -
debian_version=$(cd "$work/src" && dpkg-parsechangelog -SVersion)
case "$debian_version" in
"$version" | "$version"[-+~]*) ;;
*) fail "debian/changelog is at $debian_version while the program is at $version" ;;
esac
(cd "$work/src" && KESTRIVO_PREBUILT="$build" DEB_BUILD_OPTIONS=noautodbgsym dpkg-buildpackage -us -uc -b) \
    >"$work/dpkg-buildpackage.out" 2>&1 || {
    tail -n 40 "$work/dpkg-buildpackage.out"
    fail "dpkg-buildpackage failed"
}
changes=$(ls "$work"/kestrivo_*.changes)
debs=()
for package in "${packages[@]}"; do
    debs+=("$(ls "$work/${package}_"*.deb)")
done

lintian --no-cfg --fail-on error,warning "$changes" >"$work/lintian.out" 2>"$work/lintian.err" ||
    fail "lintian: $(cat "$work/lintian.out" "$work/lintian.err")"
[ ! -s "$work/lintian.out" ] || fail "lintian: $(cat "$work/lintian.out")"
awk 'licence && /^ / { print } /^License: Kestrivo-EULA$/ { licence = 1 } /^$/ { licence = 0 }' "$source/debian/copyright" |
    sed -e 's/^ //' -e 's/^\.$//' >"$work/copyright-licence"
diff -u "$work/copyright-licence" "$source/app/eula.txt" >"$work/copyright.diff" ||
    fail "the licence in debian/copyright is not the agreement's text: $(cat "$work/copyright.diff")"

# The library and its development files live in their own packages, and dependents get a
# versioned dependency on the library.
for i in 0 1 2; do dpkg-deb -c "${debs[$i]}" >"$work/contents-$i"; done
if grep -q "libTrelkPrintPreview\|/include/" "$work/contents-0"; then fail "kestrivo holds the library or its headers"; fi
grep -q "/libTrelkPrintPreview\.so\.3 -> " "$work/contents-1" || fail "libtrelkprintpreview3 lacks libTrelkPrintPreview.so.3"
grep -q "/libTrelkPrintPreview\.so -> " "$work/contents-2" || fail "the development package lacks the unversioned link"
grep -q "/cmake/TrelkPrintPreview/TrelkPrintPreviewConfig\.cmake$" "$work/contents-2" ||
    fail "the development package lacks the CMake package"
depends=$(dpkg-deb -f "${debs[0]}" Depends)
for dependency in "libtrelkprintpreview3 (>= $version)" libqt6widgets6 libqt6sql6-sqlite libqt6sql6-psql fonts-liberation2; do
    case "$depends" in
    *"$dependency"*) ;;
    *) fail "kestrivo does not depend on $dependency: $depends" ;;
    esac
done

# What the system holds outside the package manager's own records, before and after.
system_files() {
    find /usr /etc /opt /var/lib -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt \) -prune -o -print |
        grep -v '/mimeinfo\.cache$\|/icon-theme\.cache$' | sort
}
system_files >"$work/before"
ours=1
dpkg -i "${debs[@]}" >"$work/dpkg.out" 2>&1 || fail "dpkg -i failed: $(cat "$work/dpkg.out")"

desktop-file-validate /usr/share/applications/kestrivo.desktop || fail "the installed desktop entry is not valid"
appstreamcli validate --no-net /usr/share/metainfo/com.halvane.kestrivo.metainfo.xml >"$work/appstream.out" ||
    fail "the installed AppStream metadata is not valid: $(cat "$work/appstream.out")"
for program in kestrivo kestrivo-cli kestrivo-unitsim; do
    [ "$(man -w "$program")" = "/usr/share/man/man1/$program.1.gz" ] || fail "man does not find the page of $program"
done
bash "$here/installed-programs.sh" /usr/bin "$version" "$work/user"

# A program of someone else's that knows nothing but the installed development package.
cmake -S "$source/tests/printpreview/host" -B "$work/host" -G Ninja >"$work/host.out" 2>&1 ||
    fail "the host program does not configure: $(cat "$work/host.out")"
grep -qx "TrelkPrintPreview_DIR:PATH=/usr/lib/.*/cmake/TrelkPrintPreview" "$work/host/CMakeCache.txt" ||
    fail "the host program did not find the installed package: $(grep TrelkPrintPreview_DIR "$work/host/CMakeCache.txt")"
cmake --build "$work/host" >"$work/host.out" 2>&1 || fail "the host program does not build: $(cat "$work/host.out")"
QT_QPA_PLATFORM=offscreen KESTRIVO_PRINT_DIR="$work/printouts" "$work/host/trelk-host" "$work/host-out" \
    >"$work/host.out" 2>&1 || fail "the host program failed: $(cat "$work/host.out")"
[ -s "$work/host-out/report.pdf" ] && [ -s "$work/printouts/job-0001.pdf" ] || fail "the host program wrote no PDF"

dpkg --purge "${packages[@]}" >"$work/dpkg.out" 2>&1 || fail "dpkg --purge failed: $(cat "$work/dpkg.out")"
ours=0
for package in "${packages[@]}"; do
    if installed "$package"; then fail "$package is still installed after the purge"; fi
done
system_files >"$work/after"
diff "$work/before" "$work/after" >"$work/left" || fail "the purge left these behind: $(cat "$work/left")"
[ -f "$work/user/.local/share/kestrivo/data/kestrivo.db" ] || fail "the purge took the user's database"
echo "built, checked, installed, used and purged: ${debs[*]##*/}"
