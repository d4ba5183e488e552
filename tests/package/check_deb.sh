#!/usr/bin/env bash
# The Debian package as CPack makes it from this build: its files, its control fields, and its
# desktop entry and AppStream metadata as their validators see them.
#   check_deb.sh <build dir> <work dir> <source dir>
set -euo pipefail
build=$1 work=$2 source=$3

for tool in cpack dpkg-deb dpkg-shlibdeps appstreamcli desktop-file-validate; do
    if ! command -v "$tool" >/dev/null; then
        echo "Skipped: $tool is missing (Debian packages dpkg-dev, appstream, desktop-file-utils)"
        exit 77
    fi
done

rm -rf "$work" && mkdir -p "$work"
if ! cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
deb=$(find "$work" -maxdepth 1 -name '*.deb')
arch=$(dpkg --print-architecture)
[ "$deb" = "$work/marlinth_1.0.0_$arch.deb" ] || { echo "Unexpected package file: $deb"; exit 1; }
status=0
fail() { echo "FAIL: $*"; status=1; }

# Every file, with its owner and mode: the program, its desktop entry, its metadata, its icons
# and its licences, nothing else (no headers, static libraries or test tools).
{
    echo "-rwxr-xr-x root/root ./usr/bin/marlinth"
    for file in applications/marlinth.desktop metainfo/marlinth.metainfo.xml \
        doc/marlinth/{copyright,OFL.txt,changelog.gz}; do
        echo "-rw-r--r-- root/root ./usr/share/$file"
    done
    for icon in "$source"/resources/icons/hicolor/*/apps/marlinth.png; do
        echo "-rw-r--r-- root/root ./usr/share/icons/${icon#"$source"/resources/icons/}"
    done
} | sort >"$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort >"$work/files"
diff -u "$work/expected" "$work/files" || fail "the package's files differ from the expected ones"
if dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")' | grep .; then
    fail "folders not root's with mode 755"
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = marlinth ] || fail "Package: $(field Package)"
[ "$(field Version)" = 1.0.0 ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
echo "Depends: $depends"
# Read off the shared libraries: Qt Widgets must be there, and no font package.
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks libqt6widgets6"
if grep -qE '(^|[ ,|])(fonts?|ttf|otf|xfonts)-' <<<"$depends"; then
    fail "Depends names a font package"
fi
[ "$(field Recommends)" = qt6-wayland ] || fail "Recommends: $(field Recommends), not qt6-wayland"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/marlinth.desktop" ||
    fail "desktop-file-validate"
# The id is the desktop entry's name, which the program also reports to the desktop; as it is
# no reverse domain name the validator warns about it, and that is the one issue allowed.
metainfo=$work/root/usr/share/metainfo/marlinth.metainfo.xml
if ! appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1; then
    grep -E '^[EW]:' "$work/appstream.log" >"$work/issues" || true
    if [ ! -s "$work/issues" ] || grep -v 'cid-desktopapp-is-not-rdns' "$work/issues"; then
        cat "$work/appstream.log"
        fail "appstreamcli validate"
    fi
fi
# Started from the unpacked package on an X display, the program needs no Chinese face of the
# system's: its window looks the same, pixel for pixel, with them and without them.
bash "$source/tests/e2e/scenario.sh" own_fonts "$work/root/usr/bin/marlinth" "$work/own_fonts" ||
    { code=$?; [ "$code" -eq 77 ] || fail "the unpacked program looks different without Chinese faces"; }
exit $status
