#!/usr/bin/env bash
# Cross-builds the native Windows program (the system's own controls, no Qt) with mingw-w64:
# one static executable, build/win32/app/marlinth.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DMARLINTH_UI=win32 \
    -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/win32 -j"$(nproc)"
echo "Windows program: $(pwd)/build/win32/app/marlinth.exe"
