#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, the PostgreSQL ones against a
# throwaway server. With --sanitize as the first argument the build goes to build-sanitize/
# instead, with AddressSanitizer and UndefinedBehaviorSanitizer, and any report of either
# (a leak included) fails the test that made it. Further arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
configure=()
if [ "${1:-}" = "--sanitize" ]; then
    shift
    export KESTRIVO_BUILD_DIR=${KESTRIVO_BUILD_DIR:-build-sanitize}
    configure=(-DKESTRIVO_SANITIZE=ON)
    export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
    export LSAN_OPTIONS=suppressions=$PWD/scripts/leak-suppressions.txt:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
bash scripts/install-deps.sh
bash scripts/build.sh "${configure[@]}"
build=${KESTRIVO_BUILD_DIR:-build}
bash scripts/with-postgres.sh ctest --test-dir "$build" --output-on-failure -j2 "$@"
