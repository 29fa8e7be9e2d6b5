#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, the PostgreSQL ones against a
# throwaway server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build=${KESTRIVO_BUILD_DIR:-build}
bash scripts/with-postgres.sh ctest --test-dir "$build" --output-on-failure -j2 "$@"
