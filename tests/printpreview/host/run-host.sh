#!/bin/sh
# Installs the print-preview library alone into a scratch prefix, builds the host project
# against that prefix only, runs it offscreen and checks its preview images and PDFs.
# Usage: run-host.sh <build folder> [folder to keep the outputs in]
# TRELK_HOST_CXXFLAGS: compiler flags for the host (the sanitizers of a sanitizer build).
# TRELK_HOST_HEADERS: a folder of the library's public headers of an earlier release to build
# the host against instead of the installed ones; the host then binds every symbol it uses
# as it starts, so a symbol the library lost fails at once.
set -eu
build=$1
keep=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/trelk-host.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

cmake --install "$build" --prefix "$work/prefix" --component TrelkPrintPreview >/dev/null
cmake -S "$here" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DCMAKE_CXX_FLAGS="${TRELK_HOST_CXXFLAGS:-}" -DTRELK_HOST_HEADERS="${TRELK_HOST_HEADERS:-}" >/dev/null
cmake --build "$work/build" >/dev/null
if [ -n "${TRELK_HOST_HEADERS:-}" ]; then
    (cd "$work/build" && ninja -t deps) | grep -qF "$TRELK_HOST_HEADERS/TrelkReportRecorder.h" ||
        { echo "FAIL: the host was not built against $TRELK_HOST_HEADERS"; exit 1; }
    export LD_BIND_NOW=1
fi
QT_QPA_PLATFORM=offscreen "$work/build/trelk-host" "$work/out"

fail() { echo "FAIL: $*"; exit 1; }
job="$KESTRIVO_PRINT_DIR/job-0001.pdf"
[ -f "$job" ] || fail "no print job in $KESTRIVO_PRINT_DIR"
[ ! -e "$KESTRIVO_PRINT_DIR/job-0002.pdf" ] || fail "more than one print job"
for pdf in "$job" "$work/out/report.pdf"; do
    pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
    [ "$pages" = 2 ] || fail "$pdf has $pages pages"
    pdftotext -f 1 -l 1 "$pdf" - | grep -q "Page 1 of 2" || fail "$pdf lacks its page number text"
    pdftotext -f 2 -l 2 "$pdf" - | grep -q "Warehouse" || fail "$pdf lacks the second page's text"
done
pdfinfo -f 2 -l 2 "$job" | grep -Eq "Page +2 size: +792 x 612" || fail "page 2 is not landscape"
for png in preview-1.png preview-2.png; do
    [ -s "$work/out/$png" ] || fail "no preview image $png"
done
if [ -n "$keep" ]; then
    mkdir -p "$keep"
    cp "$work/out"/*.png "$work/out/report.pdf" "$keep/"
    cp "$job" "$keep/job-0001.pdf"
    pdftoppm -r 60 -png "$job" "$keep/job"
fi
echo "host program recorded, previewed and printed its report"
