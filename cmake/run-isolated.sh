#!/bin/sh
# Runs one test program with a private, throwaway KESTRIVO_HOME and KESTRIVO_SETTINGS.
dir=$(mktemp -d "${TMPDIR:-/tmp}/kestrivo-test.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT INT TERM
mkdir -p "$dir/home" "$dir/runtime"
chmod 700 "$dir/runtime"
export KESTRIVO_HOME="$dir/home/"
export KESTRIVO_SETTINGS="$dir/Kestrivo.ini"
export KESTRIVO_PRINT_DIR="$dir/printouts/"
export XDG_RUNTIME_DIR="$dir/runtime"
"$@"
