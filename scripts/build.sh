#!/usr/bin/env bash
# Configures and builds everything into build/ (or $KESTRIVO_BUILD_DIR); arguments go to
# CMake's configure step (-DKESTRIVO_SANITIZE=ON for the sanitizer build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KESTRIVO_BUILD_DIR:-build}
launcher=()
# Several checkouts of the tree share one compiler cache when ccache is there.
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# Libraries install into Debian's multiarch folder, as in the packages made from this tree.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_LIBDIR="lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
