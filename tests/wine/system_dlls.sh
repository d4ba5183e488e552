#!/usr/bin/env bash
# The system's DLLs come from the system alone. DLLs named as the system's, planted beside the
# program and in the folder it is started from (as in a downloads folder), are never loaded,
# while the program starts, runs a check, opens the folder chooser, answers a screen reader and
# closes, all as it should. On a system whose common controls cannot be loaded, the program says
# so and ends before any window. Each run's DLL loads stay in STATE_DIR/system_dlls.
#   system_dlls.sh STATE_DIR C_COMPILER PROGRAM MAIN_WINDOW_TEST FOLDER_CHECK_TEST
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh" "$1"
cc=$2
programs=("$3" "$4" "$5")
program=$(basename "$3") main_window_test=$(basename "$4") folder_check_test=$(basename "$5")

work=$state/system_dlls
rm -rf "$work"
mkdir -p "$work/downloads" "$work/current"
for name in winmm oleacc uxtheme; do
    "$cc" -shared -Wl,--kill-at -D"${name^^}" "$here/planted_dll.c" \
        -o "$work/downloads/$name.dll" || exit 1
    cp "$work/downloads/$name.dll" "$work/current/"
done
cp "${programs[@]}" "$work/downloads/"
cd "$work/current"
# Wine takes its own builtin DLLs before any other; Windows looks in the program's folder first.
overrides="winmm,oleacc,uxtheme=n,b;$WINEDLLOVERRIDES"
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# A check run with a screen reader asking the main window, then the close box; the chooser,
# confirmed, and its check run.
run_tests() { # PROGRAM FILTER HOW_MANY
    local output
    output=$(WINEDLLOVERRIDES=$overrides WINEDEBUG=+loaddll "$wine" "$work/downloads/$1" \
        --gtest_filter="$2" </dev/null 2>"$work/$1.log")
    if ! grep -q "^\[  PASSED  \] $3 tests\?\." <<<"$output"; then
        printf '%s\n' "$output"
        fail "$1 --gtest_filter=$2 did not pass $3 tests"
    fi
}
run_tests "$main_window_test" 'ScreenReader.*:Closing.*' 2
run_tests "$folder_check_test" 'FolderCommand.OkRunsOneSlowCheckThenReportsAndTurnsIdle' 1

# Starts a program and closes its windows, as the close box would, until it ends; one that does
# not end is ended all the same. Sets $status.
start_and_close() { # LOG PROGRAM [ARGUMENT...]
    local log=$1 name=$2
    shift
    "$wine" "$work/downloads/$@" </dev/null >"$log.out" 2>"$log" &
    local started=$!
    for _ in $(seq 50); do
        kill -0 "$started" 2>/dev/null || break
        WINEDEBUG=-all "$wine" taskkill /im "$name" </dev/null >/dev/null 2>&1
        sleep 0.2
    done
    kill -0 "$started" 2>/dev/null &&
        WINEDEBUG=-all "$wine" taskkill /f /im "$name" </dev/null >/dev/null 2>&1
    wait "$started"
    status=$?
}

# The program itself, with its manifest: the common controls of version 6 all the same.
WINEDLLOVERRIDES=$overrides WINEDEBUG=+loaddll start_and_close "$work/$program.log" "$program"
[ "$status" -eq 0 ] || fail "$program ended with status $status"
grep -qi 'Loaded L".*\\winsxs\\.*comctl32\.dll"' "$work/$program.log" ||
    fail "$program did not load the common controls of version 6:" \
        "$(grep -i comctl32 "$work/$program.log")"

marks=$(find "$work" -name '*.loaded' | sort)
[ -z "$marks" ] || fail "planted DLLs were loaded:"$'\n'"$(sed 's/\.loaded$//' <<<"$marks")"

# No common controls, as on a damaged system: the program's start names the DLL in a box, and
# ends with ERROR_MOD_NOT_FOUND once the box is closed, before any test runs. (Wine cannot show
# a box in a program whose manifest asks for the missing DLL's classes: the test program has none.)
WINEDLLOVERRIDES="comctl32=;$WINEDLLOVERRIDES" WINEDEBUG=+win \
    start_and_close "$work/no_comctl32.log" "$main_window_test" --gtest_filter=Window.*
[ "$status" -eq 126 ] || fail "without comctl32.dll, $main_window_test ended with status $status"
grep -q 'set_window_text L".* comctl32\.dll' "$work/no_comctl32.log" ||
    fail "without comctl32.dll, no box named it"
! grep -q '^\[ RUN' "$work/no_comctl32.log.out" ||
    fail "without comctl32.dll, tests ran: $(grep '^\[ RUN' "$work/no_comctl32.log.out")"

[ "$failed" -eq 0 ] && echo "No planted DLL was loaded, and a missing one was told."
exit "$failed"
