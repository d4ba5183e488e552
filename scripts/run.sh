#!/usr/bin/env bash
# Builds Marlinth and starts it. Without a display it starts it on a virtual X display,
# saves a screenshot of the main window, prints where, and ends it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh build-essential cmake qt6-base-dev qt6-base-private-dev \
    libgl-dev libwayland-dev wayland-protocols libglib2.0-dev fonts-noto-cjk \
    xvfb xauth x11-utils xdotool imagemagick openbox
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset default -j"$(nproc)"
program=build/default/app/marlinth

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

screenshot=build/screenshots/main-window.png
mkdir -p "$(dirname "$screenshot")"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 & # a window manager draws the caption and icon
# A window mapped while the manager is still starting can stay unmapped for good.
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

# A desktop session has a runtime folder; without one Qt would make its own in /tmp.
runtime=$(mktemp -d)
XDG_RUNTIME_DIR=$runtime "$program" &
app=$!
# Polled rather than xdotool's --sync, which gives up when a window vanishes mid-search.
window=
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Marlinth$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "The main window did not appear." >&2; exit 1; }
sleep 1 # let the first paint and the frame land
import -window "$window" -frame "$screenshot"
kill "$app"
wait "$app" 2>/dev/null || true
rm -rf "$runtime"
echo "No display: Marlinth ran on a virtual X display; screenshot of its main window:"
echo "  $(pwd)/$screenshot"
