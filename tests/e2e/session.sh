# Shared by the end-to-end scenarios: a private X display with a window manager, the program
# started on it, and the little a person does to it (look, click, press keys).

# CTest counts this exit status as a skipped test.
readonly SKIP=77

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need_tools() {
    local tool
    for tool in Xvfb openbox xdotool xwininfo xprop import compare "$@"; do
        command -v "$tool" >/dev/null ||
            { echo "SKIPPED: $tool is missing (scripts/test.sh installs it)"; exit "$SKIP"; }
    done
}

# Starts Xvfb on a free display number and openbox on it; both end with the script. Given a
# DPI, the display's Xft.dpi says it, as a desktop scaled to DPI / 96 does.
start_display() {
    local fd_file
    fd_file=$(mktemp)
    # Without -noreset the root window's resources go when the last client leaves.
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.05; done
    [ -s "$fd_file" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$fd_file")"
    rm -f "$fd_file"
    if [ -n "${1:-}" ]; then
        xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s\n' "$1")"
    fi
    openbox >/dev/null 2>&1 &
    OPENBOX_PID=$!
    # A window mapped while the manager is still starting can stay unmapped for good, and
    # xdotool activates windows only once the manager lists _NET_ACTIVE_WINDOW as supported.
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW' && break
        sleep 0.05
    done
    trap 'kill "$OPENBOX_PID" "$XVFB_PID" ${APP_PID:-} 2>/dev/null || true; rm -rf "$RUNTIME_DIR"' EXIT
    # As in a desktop session, a private runtime folder exists.
    RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$RUNTIME_DIR"
    export XDG_RUNTIME_DIR=$RUNTIME_DIR
}

# A Wayland desktop: weston in a window of the private X display, its output at the given
# scale. Programs started from now on are its clients, through the toolkit's Wayland plugin.
# Input goes to the X window, which weston passes on to its focused surface.
start_weston() {
    weston --backend=x11-backend.so --width=1024 --height=768 --use-pixman --idle-time=0 \
        --socket=marlinth-wayland --scale="${1:-1}" >"$artifacts/weston.log" 2>&1 &
    WESTON_PID=$!
    trap 'kill ${APP_PID:-} "$WESTON_PID" "$OPENBOX_PID" "$XVFB_PID" 2>/dev/null || true
        rm -rf "$RUNTIME_DIR"' EXIT
    for _ in $(seq 200); do [ -S "$XDG_RUNTIME_DIR/marlinth-wayland" ] && break; sleep 0.05; done
    [ -S "$XDG_RUNTIME_DIR/marlinth-wayland" ] || fail "weston did not start"
    # xdotool's search does not find weston's window; xwininfo does.
    for _ in $(seq 100); do
        WESTON=$(xwininfo -root -tree | awk '/"Weston Compositor/ {print $1}' | head -n 1)
        [ -n "$WESTON" ] && break
        sleep 0.1
    done
    [ -n "$WESTON" ] || fail "weston's window did not appear"
    export WAYLAND_DISPLAY=marlinth-wayland QT_QPA_PLATFORM=wayland
}

# The bounding box, WxH+X+Y, of the light magenta pixels of an image: the header's lettering.
magenta_box() {
    convert "$1" -fill black +opaque '#FF80FF' -format '%@' info:
}

# The program's main window among the Wayland requests in the file, as the compositor knows it
# (xdg_toplevel@N); nothing before it has been made.
main_toplevel() {
    grep -o 'xdg_toplevel@[0-9]*.set_title("Marlinth")' "$1" | head -n 1 | cut -d. -f1
}

# Starts the program on weston, at the given scale, and waits for its main window, which must
# be 334 px wide and 332 below its menu bar. Sets $requests, the file of every request the
# program makes of the compositor, $toplevel, its main window there, and where its content
# lies in weston's window (found by the header, which begins 35 px right of the content's
# left and 87 below its top on X).
start_wayland_program() {
    start_weston "$1"
    requests=$artifacts/wayland-requests.log
    WAYLAND_DEBUG=1 "$program" 2>"$requests" &
    APP_PID=$!
    for _ in $(seq 200); do grep -q 'set_window_geometry' "$requests" && break; sleep 0.05; done
    toplevel=$(main_toplevel "$requests")
    [ -n "$toplevel" ] || fail "the main window did not appear"
    sleep 1 # first paint
    # Qt draws the title bar: 30 px above the content, a frame of 3 px on the other sides.
    local width height menu box
    read -r width height < <(grep -o 'set_window_geometry(0, 0, [0-9]*, [0-9]*)' "$requests" |
        head -n 1 | tr -c '0-9\n' ' ' | awk '{print $3, $4}')
    [ $((width - 6)) -eq 334 ] || fail "content width $((width - 6)), not 334"
    menu=$((height - 33 - 332))
    [ "$menu" -gt 10 ] && [ "$menu" -lt 40 ] ||
        fail "content height $((height - 33)) is not 332 below a menu bar"
    import -window "$WESTON" "$artifacts/main-window.png"
    box=$(magenta_box "$artifacts/main-window.png")
    CONTENT_X=$(($(cut -d+ -f2 <<<"$box") - 35))
    CONTENT_Y=$(($(cut -d+ -f3 <<<"$box") - 87))
}

# Moves the pointer to a point of weston's output. It first leaves weston's window, so that
# weston hears it come in.
point_weston() {
    xdotool mousemove 1500 1100 sleep 0.2 mousemove --window "$WESTON" "$1" "$2" sleep 0.2
}

# Moves the pointer to a point of the content of the program's main window on weston.
point_wayland() {
    point_weston $((CONTENT_X + $1)) $((CONTENT_Y + $2))
}

# Starts the program (or the given command line) and waits for its main window.
start_program() {
    "$@" &
    APP_PID=$!
    MAIN=$(wait_window '^Marlinth$' 20) || fail "the main window did not appear"
    sleep 0.5 # first paint
    MENU_HEIGHT=$(($(window_height "$MAIN") - ${CLIENT_HEIGHT:-332}))
}

# Visible windows whose name matches the pattern, by the name a window manager shows (read in a
# UTF-8 locale): xdotool's own --name search misses Chinese names set as compound text.
matching_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        [[ $(LC_ALL=C.UTF-8 xdotool getwindowname "$id" 2>/dev/null) =~ $1 ]] && echo "$id"
    done
    return 0
}

# Prints the id of the first visible window whose name matches, waiting up to $2 seconds.
wait_window() {
    local deadline=$((SECONDS + $2)) id
    while [ "$SECONDS" -le "$deadline" ]; do
        id=$(matching_windows "$1" | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

window_count() {
    matching_windows "$1" | wc -l
}

window_width() { xwininfo -id "$1" | awk '/Width:/ {print $2}'; }
window_height() { xwininfo -id "$1" | awk '/Height:/ {print $2}'; }

# Clicks at client-area coordinates (below the menu bar) of the main window.
click_main() {
    xdotool mousemove --window "$MAIN" "$1" $(($2 + MENU_HEIGHT)) click 1
}

click_window() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# Clicks the three buttons at their centres.
click_memory() { click_main 52 24; }
click_folder() { click_main 272 24; }

screenshot() {
    import -window "$1" "$2"
}

milliseconds() { date +%s%3N; }

# Alt+F4 on the main window: the program must end within 200 ms, with status 0. A command
# given runs while it is still running, to check what must not happen meanwhile.
close_main_at_once() {
    local asked took status=0
    xdotool windowactivate --sync "$MAIN" key --clearmodifiers alt+F4
    asked=$(milliseconds)
    while kill -0 "$APP_PID" 2>/dev/null; do
        [ $(($(milliseconds) - asked)) -lt 2000 ] || fail "still running 2 s after Alt+F4"
        "${@:-true}"
        sleep 0.01
    done
    took=$(($(milliseconds) - asked))
    wait "$APP_PID" || status=$?
    APP_PID=
    echo "ended ${took} ms after Alt+F4 with status $status"
    [ "$status" -eq 0 ] || fail "exit status $status"
    [ "$took" -le 200 ] || fail "took ${took} ms to end"
}

# The one colour of a row of pixels of an image, or nothing where the row has several.
row_colour() { # image left width y
    local histogram
    histogram=$(convert "$1" -crop "${3}x1+${2}+${4}" +repage -format %c histogram:info:-)
    [ "$(grep -c . <<<"$histogram")" -eq 1 ] && grep -o '#[0-9A-F]\{6\}' <<<"$histogram"
    return 0
}
