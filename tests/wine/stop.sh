#!/usr/bin/env bash
# Stops what start.sh started.
set -uo pipefail
source "$(dirname "$0")/env.sh" "$1"
[ -n "$wineserver" ] && "$wineserver" -k 2>/dev/null
[ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null
rm -f "$state/xvfb.pid" "$state/display" "$state/display-number"
exit 0
