#!/usr/bin/env bash
# Installs what Kestrivo needs to build, run and test on Debian 12, skipping what is there.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
    libqt6sql6-psql libgl-dev sqlite3 dpkg-dev file libsqlite3-dev postgresql fonts-liberation2 xdg-utils xvfb xauth poppler-utils
    libcpp-httplib-dev libmicrohttpd-dev libqrencode-dev libssl-dev pkg-config openssl chromium chromium-driver python3-selenium nodejs
    libnss3-tools build-essential debhelper help2man lintian appstream desktop-file-utils time)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
