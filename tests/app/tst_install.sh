#!/usr/bin/env bash
# Installs Kestrivo into a scratch prefix as a user's administrator would, checks what the
# installation holds, and uses the installed programs as a user with nothing set up.
# Usage: tst_install.sh <build folder> <source folder> <version>
set -euo pipefail
build=$1
source=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrivo-install.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
fail() {
    echo "FAIL: $*"
    exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/kestrivo bin/kestrivo-cli bin/kestrivo-unitsim share/kestrivo/eula.txt \
    share/kestrivo/help/index.html share/kestrivo/help/several-pcs.html share/applications/kestrivo.desktop \
    share/icons/hicolor/scalable/apps/kestrivo.svg share/metainfo/com.halvane.kestrivo.metainfo.xml \
    share/man/man1/kestrivo.1 share/man/man1/kestrivo-cli.1 share/man/man1/kestrivo-unitsim.1; do
    [ -e "$prefix/$file" ] || fail "$file is not installed"
done
ls "$prefix"/lib/*/libTrelkPrintPreview.so.* >/dev/null 2>&1 || fail "the print-preview library is not installed"
for layout in "$source"/app/grid/layouts/*.lyt; do
    [ -f "$prefix/share/kestrivo/layouts/${layout##*/}" ] || fail "the layout ${layout##*/} is not installed"
done
desktop-file-validate "$prefix/share/applications/kestrivo.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$prefix/share/metainfo/com.halvane.kestrivo.metainfo.xml" >"$work/appstream.out" ||
    fail "the AppStream metadata is not valid: $(cat "$work/appstream.out")"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/com.halvane.kestrivo.metainfo.xml" ||
    fail "the AppStream metadata has no release $version"
# The manual pages: each names its program, and man finds nothing to warn about.
for program in kestrivo kestrivo-cli kestrivo-unitsim; do
    page=$prefix/share/man/man1/$program.1
    grep -q "^$program \\\\- " "$page" || fail "the manual page of $program lacks its name line"
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=120 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns about the page of $program: $warnings"
done
for file in "$prefix"/bin/kestrivo "$prefix"/bin/kestrivo-cli "$prefix"/lib/*/libTrelkPrintPreview.so.*.*; do
    case "$(readelf -d "$file")" in
    *"$build"*) fail "${file##*/} still looks for libraries in the build folder" ;;
    esac
done

bash "$here/installed-programs.sh" "$prefix/bin" "$version" "$work/user"
[ ! -e "$prefix/bin/data" ] || fail "the installed program wrote into its own folder"
echo "installed and used in a scratch prefix"
