#!/usr/bin/env bash
# Makes the packages people install, into dist/: the Debian package of the Qt program (checked by
# lintian), a zip of the two Windows programs (signed where a certificate is given: see
# windows-packages.sh), a zip of their behaviour tests, and SHA256SUMS of them all. All carry
# the last commit's date rather than the time of the build, so that one commit gives the same
# packages wherever it is built.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh build-essential cmake qt6-base-dev qt6-base-private-dev \
    libgl-dev libwayland-dev wayland-protocols libglib2.0-dev git dpkg-dev lintian \
    zip
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
# CPack gives the parts of the .deb the modes of the files it writes, as the umask makes them.
umask 022
dist=$(pwd)/dist
mkdir -p "$dist"

# The Debian package, from a Release build of its own. Built from clean, as Qt's resource
# compiler writes SOURCE_DATE_EPOCH into the program and would not rerun for it alone.
build=build/package
cmake --preset default -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --clean-first -j"$(nproc)"
rm -rf "$build/cpack"
cpack --config "$build/CPackConfig.cmake" -B "$build/cpack" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$(cd "$build/cpack" && echo marlinth_"$version"_*.deb)
[ -f "$build/cpack/$deb" ] || { echo "CPack made no Debian package." >&2; exit 1; }
# Errors fail the packaging; warnings are shown (the missing manual page is one).
lintian --fail-on error "$build/cpack/$deb"
cp "$build/cpack/$deb" "$dist/"

# The Windows programs, 64- and 32-bit, and the kit of their behaviour tests for a real Windows.
bash scripts/setup-debian.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest
[ -z "${MARLINTH_SIGN_PKCS12:-}" ] || bash scripts/setup-debian.sh osslsigncode
for preset in windows windows-x86; do
    cmake --preset "$preset" -DBUILD_TESTING=ON >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)" \
        --target marlinth main_window_test check_run_test folder_check_test
done
bash scripts/windows-packages.sh "$dist" "$version" build/windows build/windows-x86
zip_name=marlinth-$version-windows.zip
kit_name=marlinth-$version-windows-tests.zip

# What a download can be checked against: every file in dist/.
sums=$(cd "$dist" && rm -f SHA256SUMS && find . -maxdepth 1 -type f -printf '%P\n' |
    LC_ALL=C sort | xargs sha256sum --)
printf '%s\n' "$sums" >"$dist/SHA256SUMS"

echo "Debian package (sudo apt install ./dist/$deb):"
echo "  $dist/$deb"
echo "Windows programs, x64 and x86 (unzip, then run the one that fits the Windows):"
echo "  $dist/$zip_name"
echo "Their behaviour tests, for a real Windows (unzip, then run run-tests.cmd):"
echo "  $dist/$kit_name"
echo "Checksums of them all (sha256sum -c SHA256SUMS):"
echo "  $dist/SHA256SUMS"
