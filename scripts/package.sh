#!/usr/bin/env bash
# Makes the packages people install, into dist/: the Debian package of the Qt program (checked by
# lintian) and a zip of the two Windows programs. Both carry the last commit's date rather than
# the time of the build, so that one commit gives the same packages wherever it is built.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh build-essential cmake qt6-base-dev libgl-dev libwayland-dev libglib2.0-dev git dpkg-dev lintian \
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

# The Windows programs, 64- and 32-bit, with the licences.
bash scripts/build-windows.sh
zip_name=marlinth-$version-windows.zip
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build/windows/app/marlinth.exe "$stage/marlinth-x64.exe"
cp build/windows-x86/app/marlinth.exe "$stage/marlinth-x86.exe"
files=(marlinth-x64.exe marlinth-x86.exe LICENSE.txt OFL.txt)
# Notepad before Windows 10 shows a text with bare line feeds as one line.
sed 's/\r*$/\r/' LICENSE >"$stage/LICENSE.txt"
sed 's/\r*$/\r/' resources/fonts/OFL.txt >"$stage/OFL.txt"
chmod 644 "$stage"/*
chmod 755 "$stage"/*.exe
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
rm -f "$dist/$zip_name"
# Zip keeps local times and, without -X, owners and extra time stamps: none from this machine.
(cd "$stage" && TZ=UTC zip -X -q "$dist/$zip_name" "${files[@]}")

echo "Debian package (sudo apt install ./dist/$deb):"
echo "  $dist/$deb"
echo "Windows programs, x64 and x86 (unzip, then run the one that fits the Windows):"
echo "  $dist/$zip_name"
