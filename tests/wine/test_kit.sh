#!/usr/bin/env bash
# The kit of behaviour tests for a real Windows, tried as a user would: unzipped into a fresh
# folder and run with `cmd /c run-tests.cmd` in a fresh Wine prefix, under an English locale. Its
# last line must count every test case of both suites (of the 64-bit one alone where no 32-bit
# Wine is to be had), none failed, and its JUnit XML must lie beside it.
#   test_kit.sh STATE_DIR X64_BUILD X86_BUILD WINE32_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh" "$1"
x64=$2 x86=$3 wine32=$4
fail() { echo "FAILED: $*" >&2; exit 1; }

work=$state/kit
rm -rf "$work"
mkdir -p "$work/dist" "$work/folder"
bash "$here/../../scripts/windows-packages.sh" "$work/dist" test "$x64" "$x86" >/dev/null
unzip -q "$work/dist/marlinth-test-windows-tests.zip" -d "$work/folder"

suites=(x64 x86)
if [ -x "$wine32/wine64" ]; then
    wine=$wine32/wine64 wineserver=$wine32/wineserver
else
    echo "No 32-bit Wine here ($(cat "$wine32/skipped" 2>/dev/null || echo "none was set up")):"
    echo "the kit runs its 64-bit suite only."
    export MARLINTH_TEST_SUITES=x64
    suites=(x64)
fi
# A Windows of its own, in English, as a hosted runner is.
export WINEPREFIX=$work/prefix LC_ALL=C.UTF-8 MARLINTH_NESTING_DEPTH=25
trap '"$wineserver" -k 2>/dev/null || true' EXIT
prepare_prefix || fail "Wine could not make a prefix (see $log)"

# GoogleTest's own count of the test cases of one suite.
listed=$(for test in main_window check_run folder_check; do
    "$wine" "$work/folder/x64/${test}_test.exe" --gtest_list_tests </dev/null
done | tr -d '\r' | grep -c '^  ')
expected=$((listed * ${#suites[@]}))

status=0
(cd "$work/folder" && "$wine" cmd /c run-tests.cmd </dev/null) >"$work/output.txt" 2>&1 || status=$?
tr -d '\r' <"$work/output.txt" | grep -v '^\(wine\|[0-9a-f]*:\)' >"$work/output.log" || true
grep -E '^=== |run-tests|Windows|: [0-9]+ passed|ended with' "$work/output.log" || true
last=$(grep -v '^$' "$work/output.log" | tail -n 1)
echo "last line: $last (exit status $status; $listed test cases a suite)"
[[ $last =~ ^([0-9]+)\ passed,\ 0\ failed(,\ ([0-9]+)\ skipped)?$ ]] ||
    fail "the kit's last line is not \"N passed, 0 failed\" (whole output: $work/output.log)"
counted=$((BASH_REMATCH[1] + ${BASH_REMATCH[3]:-0}))
[ "$counted" -eq "$expected" ] || fail "it counted $counted test cases, not $expected"
[ "$status" -eq 0 ] || fail "it ended with status $status"
for suite in "${suites[@]}"; do
    for test in main_window check_run folder_check; do
        grep -q '<testsuites' "$work/folder/$suite-$test.xml" ||
            fail "no JUnit XML $suite-$test.xml beside run-tests.cmd"
    done
done
