#!/usr/bin/env bash
# Makes the two Windows zips from the 64- and 32-bit builds, into DIST:
# - marlinth-VERSION-windows.zip: both programs and the licences, the programs signed
#   (Authenticode, SHA-256) where a code-signing certificate is given;
# - marlinth-VERSION-windows-tests.zip: both builds' behaviour-test programs and run-tests.cmd,
#   which runs them on any Windows from 7 SP1 on.
#   windows-packages.sh DIST VERSION X64_BUILD X86_BUILD
# Signing: MARLINTH_SIGN_PKCS12 (a PKCS#12 file) and MARLINTH_SIGN_PASSWORD, and a timestamp
# server only if MARLINTH_SIGN_TIMESTAMP_URL names one. Files carry SOURCE_DATE_EPOCH (or the
# last commit's date), so that without a signature one commit gives the same bytes anywhere.
set -euo pipefail
dist=$1 version=$2 x64=$3 x86=$4
root=$(cd "$(dirname "$0")/.." && pwd)
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
programs=marlinth-$version-windows.zip
kit=marlinth-$version-windows-tests.zip
tests=(main_window_test check_run_test folder_check_test)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Whatever happens below, dist/ never holds a zip of an earlier run beside the new ones, nor
# half of a new one: they are made aside and moved in at the end.
rm -f "$dist/$programs" "$dist/$kit"

# Notepad before Windows 10 shows a text with bare line feeds as one line; cmd.exe reads its
# scripts with either, but jumps to labels reliably only with carriage returns.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

mkdir "$stage/programs" "$stage/kit" "$stage/kit/x64" "$stage/kit/x86"
cp "$x64/app/marlinth.exe" "$stage/programs/marlinth-x64.exe"
cp "$x86/app/marlinth.exe" "$stage/programs/marlinth-x86.exe"
crlf "$root/LICENSE" "$stage/programs/LICENSE.txt"
crlf "$root/resources/fonts/OFL.txt" "$stage/programs/OFL.txt"
for test in "${tests[@]}"; do
    cp "$x64/tests/$test.exe" "$stage/kit/x64/"
    cp "$x86/tests/$test.exe" "$stage/kit/x86/"
done
crlf "$root/tests/kit/run-tests.cmd" "$stage/kit/run-tests.cmd"
crlf "$root/LICENSE" "$stage/kit/LICENSE.txt"
# The test programs hold GoogleTest, whose licence asks to travel with it; Debian keeps it here.
crlf /usr/share/doc/googletest/copyright "$stage/kit/GOOGLETEST-LICENSE.txt"

if [ -n "${MARLINTH_SIGN_PKCS12:-}" ]; then
    command -v osslsigncode >/dev/null ||
        { echo "Cannot sign: osslsigncode is missing (Debian package osslsigncode)." >&2; exit 1; }
    timestamp=()
    [ -n "${MARLINTH_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$MARLINTH_SIGN_TIMESTAMP_URL")
    for exe in marlinth-x64.exe marlinth-x86.exe; do
        # The password goes through a pipe, never the command line that other users can read.
        if ! osslsigncode sign -pkcs12 "$MARLINTH_SIGN_PKCS12" \
            -readpass <(printf '%s' "${MARLINTH_SIGN_PASSWORD:-}") -h sha256 \
            -n Marlinth "${timestamp[@]}" -in "$stage/programs/$exe" \
            -out "$stage/programs/$exe.signed" >"$stage/sign.log" 2>&1; then
            echo "Could not sign $exe with $MARLINTH_SIGN_PKCS12 (a wrong password, or not a" \
                "PKCS#12 file with a certificate and its key?); nothing was written to $dist:" >&2
            sed 's/^/  /' "$stage/sign.log" >&2
            exit 1
        fi
        mv "$stage/programs/$exe.signed" "$stage/programs/$exe"
    done
    echo "Both programs signed with $MARLINTH_SIGN_PKCS12."
else
    echo "No code-signing certificate given (MARLINTH_SIGN_PKCS12): the programs are not signed."
fi

chmod -R u=rwX,go=rX "$stage/programs" "$stage/kit"
chmod 755 "$stage"/programs/*.exe "$stage"/kit/*/*.exe
find "$stage/programs" "$stage/kit" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
# Zip keeps local times and, without -X, owners and extra time stamps: none from this machine.
(cd "$stage/programs" && TZ=UTC zip -X -q "$stage/$programs" marlinth-x64.exe marlinth-x86.exe \
    LICENSE.txt OFL.txt)
(cd "$stage/kit" && TZ=UTC zip -X -q "$stage/$kit" run-tests.cmd LICENSE.txt \
    GOOGLETEST-LICENSE.txt x64 x86 x64/*.exe x86/*.exe)
mkdir -p "$dist"
mv "$stage/$programs" "$stage/$kit" "$dist/"
