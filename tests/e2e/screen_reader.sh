#!/usr/bin/env bash
# Run inside a private session bus: starts the accessibility bus and switches it on, as a
# desktop with a screen reader does, then starts the program and reads it through AT-SPI.
#   screen_reader.sh PROGRAM ARTIFACT_DIR
set -euo pipefail
here=$(dirname "$0")
source "$here/session.sh"
program=$1 artifacts=$2

# The in-memory settings keep the launcher from writing the user's settings.
GSETTINGS_BACKEND=memory /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
LAUNCHER_PID=$!
trap 'kill "$LAUNCHER_PID" ${APP_PID:-} 2>/dev/null || true' EXIT
bus() {
    gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus "$@" >/dev/null 2>&1
}
for _ in $(seq 100); do bus --method org.a11y.Bus.GetAddress && break; sleep 0.05; done
bus --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled '<true>' ||
    fail "the accessibility bus did not start"

start_program "$program"
/usr/bin/python3 "$here/screen_reader.py" "$artifacts"
