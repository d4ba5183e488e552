#!/usr/bin/env bash
# Builds Marlinth with its tests and runs them all (offscreen; no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh build-essential cmake qt6-base-dev libgl-dev fonts-noto-cjk \
    libgtest-dev libgmock-dev binutils-mingw-w64-x86-64
cmake --preset default -DBUILD_TESTING=ON >/dev/null
cmake --build --preset default -j"$(nproc)"
ctest --preset default -j"$(nproc)"
