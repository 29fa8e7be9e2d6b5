#!/usr/bin/env bash
# Uses installed programs as a user with nothing set up (no Kestrivo variables, a home of
# their own): --version and --help without a display, the CLI's demo, and the program started
# offscreen. Checks that what they write lands in the user's data and config folders.
# Usage: installed-programs.sh <folder of the programs> <version> <home folder to create>
set -euo pipefail
bin=$1
version=$2
user=$3
data=$user/.local/share/kestrivo
program=
trap '[ -z "$program" ] || kill "$program" 2>/dev/null || true' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

mkdir -p "$user"
unset KESTRIVO_HOME KESTRIVO_SETTINGS KESTRIVO_PRINT_DIR XDG_DATA_HOME XDG_CONFIG_HOME DISPLAY WAYLAND_DISPLAY \
    QT_QPA_PLATFORM
export HOME="$user"

for name in kestrivo kestrivo-cli kestrivo-unitsim; do
    answer=$(timeout 20 "$bin/$name" --version 2>&1) || fail "$name --version failed: $answer"
    [ "$answer" = "$name $version" ] || fail "$name --version printed: $answer"
    timeout 20 "$bin/$name" --help >"$user/help.out" 2>&1 || fail "$name --help failed: $(cat "$user/help.out")"
    grep -q "^Usage: $name " "$user/help.out" || fail "$name --help printed: $(cat "$user/help.out")"
done
rm "$user/help.out"
[ ! -e "$data" ] || fail "asking for help or the version created the data folder"

"$bin/kestrivo-cli" demo >"$user/demo.out" 2>&1 || fail "the demo failed: $(cat "$user/demo.out")"
grep -q "20 were imported, and 10 wait on the unit" "$user/demo.out" || fail "the demo did not import: $(cat "$user/demo.out")"
[ -f "$data/data/kestrivo.db" ] || fail "the demo's database is not in the user's data folder"
[ -f "$user/.config/Halvane/Kestrivo.ini" ] || fail "the settings are not in the user's config folder"

QT_QPA_PLATFORM=offscreen "$bin/kestrivo" >"$user/program.out" 2>&1 &
program=$!
sleep 3
kill -0 "$program" 2>/dev/null || fail "the program did not stay up: $(cat "$user/program.out")"
kill "$program"
wait "$program" 2>/dev/null || true
program=
[ ! -s "$data/logs/ErrorLog.txt" ] || fail "the program logged an error: $(cat "$data/logs/ErrorLog.txt")"
[ -f "$data/help/index.html" ] || fail "the program did not put its help into the user's folder"
[ -f "$data/layouts/frmTemplateQuestion.lyt" ] || fail "the program did not put its layouts into the user's folder"
rm "$user/demo.out" "$user/program.out"
