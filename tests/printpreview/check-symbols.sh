#!/bin/sh
# Compares the symbols a shared library exports with those its Debian symbols file lists.
# Every listed symbol must be exported, and every exported one listed (optional ones may
# come and go with the compiler).
# Usage: check-symbols.sh <library> <symbols file>
set -eu
library=$1
symbols=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/trelk-symbols.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# The linker's own markers of the data segment are in every library's table, listed by none.
nm -D --defined-only --demangle "$library" | sed -E 's/^[0-9a-f]+ [A-Za-z] //' |
    grep -vx '__bss_start\|_edata\|_end' | sort -u >"$work/exported"
sed -n 's/^ (c++)"\(.*\)@Base" .*/\1/p' "$symbols" | sort -u >"$work/listed"
sed -n 's/^ (c++|optional)"\(.*\)@Base" .*/\1/p' "$symbols" | sort -u >"$work/optional"
[ -s "$work/listed" ] || { echo "FAIL: $symbols lists no symbol"; exit 1; }
comm -23 "$work/listed" "$work/exported" >"$work/lost"
sort -u "$work/listed" "$work/optional" | comm -13 - "$work/exported" >"$work/unlisted"
status=0
if [ -s "$work/lost" ]; then
    echo "FAIL: the library no longer exports:"
    cat "$work/lost"
    status=1
fi
if [ -s "$work/unlisted" ]; then
    echo "FAIL: the library exports symbols that $symbols does not list:"
    cat "$work/unlisted"
    status=1
fi
[ "$status" = 0 ] && echo "$(wc -l <"$work/listed") symbols, as listed"
exit $status
