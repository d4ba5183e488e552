#!/usr/bin/env bash
# Starts what the Windows tests run in: a private virtual X display and a Wine that stays up
# between the tests, checked by showing a window. Fails, and says why, if Wine cannot start.
#   start.sh STATE_DIR PROBE_PROGRAM
set -euo pipefail
here=$(dirname "$0")
source "$here/env.sh" "$1"
probe=$2

fail() {
    echo "Wine could not start: $*" >&2
    [ -f "$log" ] && tail -n 20 "$log" >&2
    exit 1
}

[ -n "$wine" ] && [ -n "$wineserver" ] || fail "no Wine found (Debian package wine64)"
command -v Xvfb >/dev/null || fail "no Xvfb found (Debian package xvfb)"
locale -a | grep -qix 'zh_CN.utf8' ||
    fail "the zh_CN.UTF-8 locale is missing, so Wine would show its own texts in English"

bash "$here/stop.sh" "$state" # whatever an interrupted run left
rm -f "$log"

# Its own display: the number Xvfb picks is written to fd 3.
setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    </dev/null >"$state/xvfb.log" 2>&1 3>"$state/display-number" &
echo $! >"$state/xvfb.pid"
for _ in $(seq 100); do
    [ -s "$state/display-number" ] && break
    sleep 0.1
done
[ -s "$state/display-number" ] || fail "Xvfb did not start: $(cat "$state/xvfb.log")"
echo ":$(tr -d '[:space:]' <"$state/display-number")" >"$state/display"
DISPLAY=$(cat "$state/display")
export DISPLAY
# Wine's services and desktop take the display they start with.
prepare_prefix || fail "its prefix could not be made"

# The first window starts Wine's desktop process; it stays for the tests that follow.
"$wine" "$probe" --gtest_filter=Window.ClientAreaBelowTheMenuBarIs334By332 \
    </dev/null >>"$log" 2>&1 || fail "a test program could not show its window"
echo "Wine $("$wine" --version 2>/dev/null) on display $DISPLAY"
