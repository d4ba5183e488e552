#!/usr/bin/env bash
# Runs a Windows program under Wine, in the tests' prefix and on their display:
#   run.sh STATE_DIR PROGRAM [ARGUMENT...]
set -euo pipefail
source "$(dirname "$0")/env.sh" "$1"
shift
if [ -z "$wine" ] || ! prepare_prefix; then
    echo "Wine could not start (see $log); tests/wine/start.sh says why." >&2
    exit 1
fi
exec "$wine" "$@"
