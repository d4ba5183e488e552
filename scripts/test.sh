#!/usr/bin/env bash
# Builds Marlinth with its tests and runs them all: the behaviour tests offscreen, the
# end-to-end ones on private virtual X displays (no display needed), then the behaviour tests
# again in a sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh build-essential cmake qt6-base-dev libgl-dev fonts-noto-cjk \
    libgtest-dev libgmock-dev binutils-mingw-w64-x86-64 \
    xvfb xauth openbox xdotool x11-utils imagemagick strace dbus-daemon
for preset in default sanitize; do
    cmake --preset "$preset" -DBUILD_TESTING=ON >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
done
ctest --preset default -j"$(nproc)"
# The same suite again under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer:
# any report fails its test.
ctest --preset sanitize -j"$(nproc)"
