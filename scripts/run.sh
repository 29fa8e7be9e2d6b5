#!/usr/bin/env bash
# Installs what is missing, builds, and starts kestrivo on its embedded defaults: an SQLite
# database and an emulated unit folder in the home folder (~/.local/share/kestrivo unless
# KESTRIVO_HOME names another).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build=${KESTRIVO_BUILD_DIR:-build}
export KESTRIVO_HOME=${KESTRIVO_HOME:-$HOME/.local/share/kestrivo/}
mkdir -p "$KESTRIVO_HOME"
exec "$build/bin/kestrivo" "$@"
