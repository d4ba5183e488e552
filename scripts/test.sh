#!/usr/bin/env bash
# Builds Marlinth with its tests and runs them all: the behaviour tests offscreen, the
# end-to-end ones on private virtual X displays (no display needed), the behaviour tests again
# in a sanitizer build, then once more against the 32-bit and the 64-bit Windows builds under
# Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh build-essential cmake qt6-base-dev qt6-base-private-dev \
    libgl-dev libwayland-dev wayland-protocols libglib2.0-dev fonts-noto-cjk \
    libgtest-dev libgmock-dev binutils-mingw-w64-x86-64 \
    xvfb xauth openbox xdotool x11-utils imagemagick strace dbus-daemon \
    dbus-bin at-spi2-core python3-pyatspi libglib2.0-bin python3-fonttools \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    wine64 fonts-wine locales dpkg-dev appstream desktop-file-utils weston qt6-wayland bindfs \
    cage xwayland \
    zip unzip openssl osslsigncode yamllint
# Wine shows its own texts (a message box's button) in the language of the locale.
if ! locale -a | grep -qix 'zh_CN.utf8'; then
    echo "Generating the zh_CN.UTF-8 locale"
    if [ "$(id -u)" -eq 0 ]; then
        localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    else
        sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    fi
fi

for preset in default sanitize; do
    cmake --preset "$preset" -DBUILD_TESTING=ON >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
done
ctest --preset default -j"$(nproc)"
# The same suite again under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer:
# any report fails its test.
ctest --preset sanitize -j"$(nproc)"

# The 32-bit Windows program and its behaviour tests, run under a 32-bit Wine where this machine
# runs 32-bit code (the tests say so as skipped where it does not, or where no 32-bit Wine is to
# be had).
bash tests/wine/wine32.sh build/wine32
cmake --preset windows-x86 -DBUILD_TESTING=ON -DWINE32="$(pwd)/build/wine32" >/dev/null
cmake --build --preset windows-x86 -j"$(nproc)"
ctest --preset windows-x86

# The 64-bit Windows program and its behaviour tests, run one at a time under Wine.
cmake --preset windows -DBUILD_TESTING=ON -DWINE32="$(pwd)/build/wine32" \
    -DWINDOWS_X86_BUILD="$(pwd)/build/windows-x86" >/dev/null
cmake --build --preset windows -j"$(nproc)"
ctest --preset windows
