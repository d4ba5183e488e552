#!/usr/bin/env bash
# The Windows programs' zip, signed with a throwaway code-signing certificate: both programs
# verify against it, and a signed one still starts. A wrong password fails, says so, and leaves
# nothing behind; without a certificate the zip is the same, byte for byte, each time.
#   signed_zip.sh STATE_DIR X64_BUILD X86_BUILD WINE32_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh" "$1"
x64=$2 x86=$3 wine32=$4
fail() { echo "FAILED: $*" >&2; exit 1; }
for tool in openssl osslsigncode unzip xwininfo; do
    command -v "$tool" >/dev/null ||
        { echo "SKIPPED: $tool is missing (scripts/test.sh installs it)"; exit 77; }
done
package() { bash "$here/../../scripts/windows-packages.sh" "$1" test "$x64" "$x86"; }

work=$state/signing
rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Marlinth test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" \
    -passout pass:right-password
export MARLINTH_SIGN_PKCS12=$work/signer.p12

mkdir "$work/wrong"
MARLINTH_SIGN_PASSWORD=wrong-password package "$work/wrong" >/dev/null 2>"$work/wrong.txt" &&
    fail "a wrong password did not fail the packaging"
grep -q "Could not sign" "$work/wrong.txt" || fail "no clear message: $(cat "$work/wrong.txt")"
[ -z "$(ls -A "$work/wrong")" ] || fail "a failed signing left $(ls "$work/wrong")"
echo "wrong password: $(head -n 1 "$work/wrong.txt")"

MARLINTH_SIGN_PASSWORD=right-password package "$work/signed" >/dev/null
unzip -q "$work/signed/marlinth-test-windows.zip" -d "$work/signed/unzipped"
for exe in marlinth-x64.exe marlinth-x86.exe; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/unzipped/$exe" \
        >"$work/verify-$exe.txt" 2>&1 || fail "$exe does not verify: $(tail -n 3 "$work/verify-$exe.txt")"
    echo "$exe: $(grep -m1 'Signature verification' "$work/verify-$exe.txt")"
done

# A signed program still starts: its main window appears on the tests' display.
prepare_prefix || fail "Wine could not start (see $log)"
"$wine" "$work/signed/unzipped/marlinth-x64.exe" </dev/null >>"$log" 2>&1 &
program=$!
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Marlinth"' && break
    sleep 0.2
done
shown=$(xwininfo -root -tree 2>/dev/null | grep -c '"Marlinth"' || true)
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
[ "$shown" -gt 0 ] || fail "the signed marlinth-x64.exe showed no main window"
echo "the signed marlinth-x64.exe showed its main window"

unset MARLINTH_SIGN_PKCS12
package "$work/first" >/dev/null
package "$work/second" >/dev/null
cmp "$work/first/marlinth-test-windows.zip" "$work/second/marlinth-test-windows.zip" ||
    fail "two unsigned zips of one build differ"
