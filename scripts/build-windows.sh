#!/usr/bin/env bash
# Cross-builds the native Windows program (the system's own controls, no Qt) with mingw-w64:
# one static executable for 64-bit Windows and one for 32-bit Windows, from Windows 7 SP1 on.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
for preset in windows windows-x86; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target marlinth -j"$(nproc)"
done
echo "Windows program, 64-bit (x64): $(pwd)/build/windows/app/marlinth.exe"
echo "Windows program, 32-bit (x86): $(pwd)/build/windows-x86/app/marlinth.exe"
