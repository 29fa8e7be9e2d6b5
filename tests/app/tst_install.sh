#!/bin/sh
# Installs Kestrivo into a scratch prefix as a user's administrator would, runs the installed
# CLI's demo and starts the installed program offscreen as a user with nothing set up, then
# builds the Debian package and checks what it holds.
# Usage: tst_install.sh <build folder> <source folder>
set -eu
build=$1
source=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrivo-install.XXXXXX")
program=
cleanup() {
    if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
    echo "FAIL: $*"
    exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/kestrivo bin/kestrivo-cli bin/kestrivo-unitsim share/kestrivo/eula.txt \
    share/kestrivo/help/index.html share/kestrivo/help/several-pcs.html share/applications/kestrivo.desktop \
    share/icons/hicolor/scalable/apps/kestrivo.svg; do
    [ -e "$prefix/$file" ] || fail "$file is not installed"
done
ls "$prefix"/lib*/libTrelkPrintPreview.so.* >/dev/null 2>&1 || fail "the print-preview library is not installed"
for layout in "$source"/app/grid/layouts/*.lyt; do
    [ -f "$prefix/share/kestrivo/layouts/${layout##*/}" ] || fail "the layout ${layout##*/} is not installed"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/kestrivo.desktop" || fail "the desktop entry is not valid"
fi
for file in "$prefix"/bin/kestrivo "$prefix"/bin/kestrivo-cli "$prefix"/lib*/libTrelkPrintPreview.so.*.*; do
    case "$(readelf -d "$file")" in
    *"$build"*) fail "${file##*/} still looks for libraries in the build folder" ;;
    esac
done

# A user with nothing set up: no Kestrivo variables, a home of their own.
user=$work/user
data=$user/.local/share/kestrivo
mkdir -p "$user"
unset KESTRIVO_HOME KESTRIVO_SETTINGS XDG_DATA_HOME XDG_CONFIG_HOME
export HOME="$user"
"$prefix/bin/kestrivo-cli" demo >"$work/demo.out" 2>&1 || {
    cat "$work/demo.out"
    fail "the installed demo failed"
}
grep -q "20 were imported, and 10 wait on the unit" "$work/demo.out" || fail "the demo did not import: $(cat "$work/demo.out")"
[ -f "$data/data/kestrivo.db" ] || fail "the demo's database is not in the user's data folder"
[ -f "$user/.config/Halvane/Kestrivo.ini" ] || fail "the settings are not in the user's config folder"
[ ! -e "$prefix/bin/data" ] || fail "the installed program wrote into its own folder"

QT_QPA_PLATFORM=offscreen "$prefix/bin/kestrivo" >"$work/program.out" 2>&1 &
program=$!
sleep 3
kill -0 "$program" 2>/dev/null || {
    cat "$work/program.out"
    fail "the installed program did not stay up"
}
kill "$program"
wait "$program" 2>/dev/null || true
program=
[ ! -s "$data/logs/ErrorLog.txt" ] || fail "the program logged an error: $(cat "$data/logs/ErrorLog.txt")"
[ -f "$data/help/index.html" ] || fail "the program did not put its help into the user's folder"
[ -f "$data/layouts/frmTemplateQuestion.lyt" ] || fail "the program did not put its layouts into the user's folder"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.out" 2>&1 || {
    cat "$work/cpack.out"
    fail "cpack could not build the package"
}
deb=$(ls "$work"/package/kestrivo_*.deb)
dpkg-deb -c "$deb" >"$work/contents"
for file in ./usr/bin/kestrivo ./usr/bin/kestrivo-cli ./usr/bin/kestrivo-unitsim \
    ./usr/share/applications/kestrivo.desktop ./usr/share/icons/hicolor/scalable/apps/kestrivo.svg \
    ./usr/share/kestrivo/help/index.html ./usr/share/kestrivo/eula.txt ./usr/share/kestrivo/layouts/frmTemplateQuestion.lyt; do
    grep -q " $file\$" "$work/contents" || fail "the package lacks $file"
done
grep -q "libTrelkPrintPreview.so" "$work/contents" || fail "the package lacks the print-preview library"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6sql6-sqlite libqt6sql6-psql fonts-liberation2; do
    case "$depends" in
    *"$package"*) ;;
    *) fail "the package does not depend on $package: $depends" ;;
    esac
done
echo "installed, started and packaged: ${deb##*/}"
