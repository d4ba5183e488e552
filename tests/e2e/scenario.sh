#!/usr/bin/env bash
# One end-to-end scenario: the built program on a private X display, driven with real input.
# usage: scenario.sh NAME PROGRAM ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/session.sh"
name=$1 program=$2 artifacts=$3
mkdir -p "$artifacts"
need_tools
case $name in
scaled_120) start_display 120 ;;
*) start_display ;;
esac

case $name in
window_maps)
    start_program "$program"
    [ "$(window_width "$MAIN")" -eq 334 ] || fail "client width $(window_width "$MAIN"), not 334"
    [ "$MENU_HEIGHT" -gt 10 ] && [ "$MENU_HEIGHT" -lt 40 ] ||
        fail "client height $(window_height "$MAIN") is not 332 below a menu bar"
    shot=$artifacts/main-window.png
    screenshot "$MAIN" "$shot"
    # The header is two labels one pixel apart: dark navy under light magenta.
    header=$(convert "$shot" -crop 266x81+32+$((64 + MENU_HEIGHT)) -format %c histogram:info:-)
    grep -qi '#FF80FF' <<<"$header" || fail "no light magenta in the header"
    grep -qi '#000040' <<<"$header" || fail "no dark navy in the header"
    # The menu bar ends, as the classic style draws it, in a dark line across the window.
    foot=$(row_colour "$shot" 0 334 $((MENU_HEIGHT - 1)))
    face=$(row_colour "$shot" 0 334 1)
    [ -n "$foot" ] && [ "$foot" != "$face" ] || fail "no line at the foot of the menu bar"
    echo "screenshot: $shot"
    ;;
scaled_120)
    # A desktop at 125 %: the whole window scales, and the double line under the buttons (at
    # 700 and 720 twips, device rows 58 to 61 here) keeps its light line right above its dark
    # one, each across its length.
    CLIENT_HEIGHT=415 start_program "$program"
    [ "$(window_width "$MAIN")" -eq 418 ] || fail "client width $(window_width "$MAIN"), not 418"
    shot=$artifacts/main-window.png
    screenshot "$MAIN" "$shot"
    rows=()
    for y in 58 59 60 61; do
        rows+=("$(row_colour "$shot" 10 380 $((y + MENU_HEIGHT)))")
    done
    echo "rows 58-61: ${rows[*]}"
    [[ " ${rows[*]} " == *" #FFFFFF #000000 "* ]] || fail "no light line right above a dark one"
    echo "screenshot: $shot"
    ;;
screen_reader)
    need_tools dbus-run-session gdbus /usr/libexec/at-spi-bus-launcher
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
        { echo "SKIPPED: python3-pyatspi is missing (scripts/test.sh installs it)"; exit "$SKIP"; }
    dbus-run-session -- bash "$(dirname "$0")/screen_reader.sh" "$program" "$artifacts"
    echo "accessible tree: $artifacts/main-window-tree.txt"
    ;;
own_fonts)
    # The program brings its own Chinese faces: with fontconfig refusing every face that covers
    # Chinese, its window looks the same, pixel for pixel, as with all of them there.
    need_tools fc-list
    start_program "$program"
    screenshot "$MAIN" "$artifacts/system-fonts.png"
    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
    cat >"$artifacts/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include>/etc/fonts/fonts.conf</include>
  <selectfont>
    <rejectfont>
      <pattern><patelt name="lang"><string>zh</string></patelt></pattern>
    </rejectfont>
  </selectfont>
</fontconfig>
CONF
    [ -n "$(fc-list :lang=zh)" ] || fail "the system has no Chinese face to leave out"
    export FONTCONFIG_FILE=$artifacts/fonts.conf
    [ -z "$(fc-list :lang=zh)" ] || fail "the limited configuration holds a Chinese face"
    start_program "$program"
    screenshot "$MAIN" "$artifacts/own-fonts.png"
    difference=$(compare -metric AE "$artifacts/system-fonts.png" "$artifacts/own-fonts.png" \
        null: 2>&1 || true)
    [ "$difference" = 0 ] || fail "$difference pixels differ without the system's Chinese faces"
    ;;
memory_report)
    start_program "$program"
    click_memory
    clicked=$(milliseconds)
    for _ in $(seq 600); do
        [ "$(window_count '^Marlinth$')" -ge 2 ] && break
        sleep 0.1
    done
    elapsed=$(($(milliseconds) - clicked))
    [ "$(window_count '^Marlinth$')" -ge 2 ] || fail "no report box after ${elapsed} ms"
    echo "report box after ${elapsed} ms"
    [ "$elapsed" -ge 50050 ] && [ "$elapsed" -le 53000 ] || fail "report after ${elapsed} ms"
    xdotool key Return
    sleep 0.5
    [ "$(window_count '^Marlinth$')" -eq 1 ] || fail "Enter did not dismiss the report box"
    kill -0 "$APP_PID" || fail "the program ended with the report"
    ;;
close_during_run)
    start_program "$program"
    click_memory
    sleep 1
    no_report_box() { [ "$(window_count '^Marlinth$')" -le 1 ] || fail "a report box appeared"; }
    close_main_at_once no_report_box
    ;;
wayland | wayland_scale2)
    # A native Wayland client, seen through what it asks of the compositor.
    need_tools weston
    scale=1
    [ "$name" = wayland_scale2 ] && scale=2
    start_wayland_program "$scale"
    if [ "$scale" = 2 ]; then
        grep -q 'set_buffer_scale(2)' "$requests" || fail "the window is not drawn at scale 2"
        # Whole: the header at twice its size, both its colours, the window's foot on screen.
        header=$(magenta_box "$artifacts/main-window.png")
        [ "${header%%x*}" -ge 500 ] || fail "the header is ${header%%x*} px wide at scale 2"
        grep -qi '#000040' <<<"$(convert "$artifacts/main-window.png" -format %c histogram:info:-)" ||
            fail "no dark navy in the header at scale 2"
        echo "PASS: $name"
        exit 0
    fi
    # 清理文件夹 by the keyboard: the chooser tells the compositor that it belongs to the main
    # window, and 取消 closes it.
    xdotool key Tab Tab Tab space
    for _ in $(seq 100); do grep -q 'set_title("目录选择")' "$requests" && break; sleep 0.1; done
    chooser=$(grep -o 'xdg_toplevel@[0-9]*.set_title("目录选择")' "$requests" | tail -n 1 | cut -d. -f1)
    [ -n "$chooser" ] || fail "the folder chooser did not open"
    grep -q "$chooser.set_parent($toplevel)" "$requests" ||
        fail "the folder chooser has no parent: $(grep "$chooser.set_parent" "$requests" || true)"
    sleep 0.5
    import -window "$WESTON" "$artifacts/main-window-with-chooser.png"
    # Its title bar has a close button only: where a title bar of three buttons has maximise
    # and minimise, a click neither maximises nor minimises it. The chooser is found by its
    # drive list's highlight, 6 px right of its frame's left and 33 below its top.
    box=$(convert "$artifacts/main-window-with-chooser.png" -fill black +opaque '#308CC6' \
        -format '%@' info:)
    chooser_x=$(($(cut -d+ -f2 <<<"$box") - 6)) chooser_y=$(($(cut -d+ -f3 <<<"$box") - 33))
    for button_x in 169 146; do # maximise, minimise, in a frame 209 px wide
        point_weston $((chooser_x + button_x)) $((chooser_y + 15))
        xdotool click 1
    done
    sleep 0.3
    ! grep -E "$chooser\.set_(maximized|minimized)" "$requests" ||
        fail "the folder chooser's title bar maximised or minimised it"
    xdotool key Tab Tab Tab space
    for _ in $(seq 50); do grep -q "$chooser.destroy()" "$requests" && break; sleep 0.1; done
    grep -q "$chooser.destroy()" "$requests" || fail "取消 did not close the folder chooser"
    # A memory check started with the mouse, and the window closed by its title bar's close
    # button during it.
    point_wayland 52 47 # 清理内存
    xdotool click 1
    sleep 1
    point_wayland 320 -15 # the close button, in the title bar Qt draws above the menu bar
    asked=$(milliseconds)
    xdotool click 1
    status=0
    wait "$APP_PID" || status=$?
    took=$(($(milliseconds) - asked))
    APP_PID=
    echo "ended ${took} ms after the close button with status $status"
    [ "$status" -eq 0 ] || fail "exit status $status"
    [ "$took" -le 200 ] || fail "took ${took} ms to end"
    ;;
wayland_frames)
    # Two compositors that both offer to draw frames: cage answers "client side", cage -d
    # "server side". The program leaves its frames to the toolkit, which then asks the
    # compositor for them with a decoration object, only where they are granted, and asks the
    # compositor it is connected to, even by a socket handed down while WAYLAND_DISPLAY names
    # the other one.
    need_tools cage setpriv pkill python3
    # Each its own runtime folder and headless output; cage refuses to run as root.
    start_cage() { # NAME [OPTION]
        local dir=$artifacts/$1 drop=()
        shift
        rm -rf "$dir"
        mkdir -m 700 "$dir"
        if [ "$(id -u)" -eq 0 ]; then
            chown 65534:65534 "$dir"
            drop=(setpriv --reuid=65534 --regid=65534 --clear-groups)
        fi
        XDG_RUNTIME_DIR=$dir WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
            "${drop[@]}" cage "$@" -- sleep 120 >"$dir.log" 2>&1 &
        CAGE_PIDS+=" $!"
        for _ in $(seq 100); do [ -S "$dir/wayland-0" ] && break; sleep 0.05; done
        [ -S "$dir/wayland-0" ] || fail "cage $* did not start: $(cat "$dir.log")"
        SOCKET=$dir/wayland-0
    }
    # cage ends cleanly with its own client, and aborts on a signal.
    trap 'kill ${APP_PID:-} "$OPENBOX_PID" "$XVFB_PID" 2>/dev/null || true
        for pid in $CAGE_PIDS; do pkill -P "$pid" || true; done
        rm -rf "$RUNTIME_DIR"' EXIT
    CAGE_PIDS= RUNS=0
    start_cage client_side
    client_side=$SOCKET
    start_cage server_side -d
    server_side=$SOCKET
    # Starts the program with the given command line and tells whether its main window has a
    # decoration object.
    decorated() {
        local requests=$artifacts/requests-$((++RUNS)).log toplevel=
        WAYLAND_DEBUG=1 QT_QPA_PLATFORM=wayland "$@" 2>"$requests" &
        APP_PID=$!
        for _ in $(seq 200); do
            toplevel=$(main_toplevel "$requests")
            [ -n "$toplevel" ] && grep -q "$toplevel\.configure" "$requests" && break
            sleep 0.05
        done
        kill "$APP_PID"
        wait "$APP_PID" 2>/dev/null || true
        APP_PID=
        grep -q "$toplevel\.configure" "$requests" ||
            fail "the main window did not appear: $requests"
        grep -q "get_toplevel_decoration(new id zxdg_toplevel_decoration_v1@[0-9]*, $toplevel)" \
            "$requests"
    }
    ! WAYLAND_DISPLAY=$client_side decorated "$program" ||
        fail "the toolkit's frame where the compositor answers client side"
    WAYLAND_DISPLAY=$server_side decorated "$program" ||
        fail "a frame of the program's own where the compositor draws frames"
    handed_down='import os, socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
fd = s.detach()
os.set_inheritable(fd, True)
os.environ["WAYLAND_SOCKET"] = str(fd)
os.execv(sys.argv[2], sys.argv[2:])'
    ! WAYLAND_DISPLAY=$server_side decorated python3 -c "$handed_down" "$client_side" "$program" ||
        fail "asked the compositor WAYLAND_DISPLAY names, not the one of its socket"
    ;;
folder_cancel)
    start_program "$program"
    frame="305x137+8+$((152 + MENU_HEIGHT))"
    # The click will take the focus from the bar, which shows in the frame; take it first.
    xdotool key Tab Tab Tab
    sleep 0.3
    screenshot "$MAIN" "$artifacts/before.png"
    click_folder
    dialog=$(wait_window '^目录选择$' 10) || fail "the folder chooser did not open"
    # Tied to the main window, so that no window manager lets it sink beneath it.
    owner=$(xprop -id "$dialog" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*' || true)
    [ -n "$owner" ] && [ "$((owner))" -eq "$((MAIN))" ] ||
        fail "the folder chooser is transient for ${owner:-no window}, not the main window"
    # Where it goes is the window manager's choice: the program asks for no place.
    ! xprop -id "$dialog" WM_NORMAL_HINTS | grep -q 'specified location' ||
        fail "the folder chooser asks for a place of its own"
    xdotool key Escape
    sleep 0.5
    [ "$(window_count '^目录选择$')" -eq 1 ] || fail "Esc closed the folder chooser"
    click_window "$dialog" 144 156 # 取消
    sleep 0.5
    [ "$(window_count '^目录选择$')" -eq 0 ] || fail "取消 did not close the folder chooser"
    sleep 1
    screenshot "$MAIN" "$artifacts/after.png"
    difference=$(compare -metric AE "$artifacts/before.png[$frame]" \
        "$artifacts/after.png[$frame]" null: 2>&1 || true)
    [ "$difference" = 0 ] || fail "the progress frame changed ($difference pixels): a run started"
    ;;
dead_mount | dead_mount_start)
    # A network mount that has stopped answering, made as a FUSE mount whose daemon is stopped,
    # in a mount namespace of the program's own, where nothing else on the machine meets it.
    need_tools bindfs unshare mountpoint
    [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] ||
        { echo "SKIPPED: a FUSE mount of its own needs root and /dev/fuse"; exit "$SKIP"; }
    home=$(mktemp -d /tmp/marlinth-dead.XXXXXX)
    mkdir -p "$home/source/inside" "$home/dead" "$home/alive"
    trap 'kill -KILL $(cat "$home/bindfs.pid" 2>/dev/null) ${APP_PID:-} "$OPENBOX_PID" "$XVFB_PID" \
        2>/dev/null || true; rm -rf "$RUNTIME_DIR" "$home"' EXIT
    # dead_mount: the program's current folder holds the mount, whose path is typed into the
    # drive list. dead_mount_start: it lies inside the mount, as for a program started from a
    # share whose server went away later.
    start=$home
    [ "$name" = dead_mount ] || start=$home/dead/inside
    # shellcheck disable=SC2016
    start_program unshare -m --propagation private bash -c '
        bindfs -f "$1/source" "$1/dead" &
        echo $! >"$1/bindfs.pid"
        for _ in $(seq 100); do mountpoint -q "$1/dead" && break; sleep 0.05; done
        [ "$3" = "$1" ] && kill -STOP $!
        cd "$3" && exec "$2"' - "$home" "$program" "$start"
    [ "$name" = dead_mount ] || kill -STOP "$(cat "$home/bindfs.pid")"
    clicked=$(milliseconds)
    click_folder
    dialog=$(wait_window '^目录选择$' 10) || fail "the folder chooser did not open in 10 s"
    opened=$(($(milliseconds) - clicked))
    echo "the chooser opened ${opened} ms after the click"
    [ "$opened" -le 1000 ] || fail "the chooser took ${opened} ms to open"
    if [ "$name" = dead_mount_start ]; then
        # While its list still waits for the mount, the main window takes no click, and 取消
        # closes the chooser at once.
        click_folder
        sleep 0.3
        [ "$(window_count '^目录选择$')" -eq 1 ] || fail "a second click opened another chooser"
        cancelled=$(milliseconds)
        click_window "$dialog" 144 156 # 取消
        for _ in $(seq 40); do [ "$(window_count '^目录选择$')" -eq 0 ] && break; sleep 0.05; done
        closed=$(($(milliseconds) - cancelled))
        echo "取消 closed the chooser after ${closed} ms"
        [ "$closed" -le 1000 ] || fail "the chooser was still open ${closed} ms after 取消"
    else
        # The drive list has the focus; typing a drive's path chooses it.
        xdotool type --delay 30 "$home/dead"
        chosen=$(milliseconds)
        for _ in $(seq 100); do [ "$(window_count '^Marlinth$')" -ge 2 ] && break; sleep 0.1; done
        told=$(($(milliseconds) - chosen))
        [ "$(window_count '^Marlinth$')" -ge 2 ] || fail "no message ${told} ms after the dead drive"
        echo "not available, said ${told} ms after the dead drive was chosen"
        [ "$told" -le 6000 ] || fail "the message came ${told} ms after the dead drive was chosen"
        xdotool key Return
        sleep 0.3
        click_window "$dialog" 144 156 # 取消
        sleep 0.3
        [ "$(window_count '^目录选择$')" -eq 0 ] || fail "取消 did not close the folder chooser"
    fi
    # Its worker is still stuck in the kernel: nothing waits for it.
    close_main_at_once
    ;;
footprint_no_bus | footprint_session_bus)
    need_tools strace
    unset DBUS_SESSION_BUS_ADDRESS
    if [ "$name" = footprint_session_bus ]; then
        need_tools dbus-daemon
        eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
            { read -r address; read -r pid; echo "export DBUS_SESSION_BUS_ADDRESS='$address' BUS_PID=$pid"; })"
        trap 'kill "$BUS_PID" "$OPENBOX_PID" "$XVFB_PID" ${APP_PID:-} 2>/dev/null || true; rm -rf "$RUNTIME_DIR"' EXIT
    fi
    trace=$artifacts/strace.log
    # Every call that could write to disk or start a program, from every thread and child: a
    # file each, so that no call is split in two by another thread's.
    rm -f "$trace".*
    start_program strace -ff -qq -o "$trace" -e trace=execve,execveat,fork,vfork,open,openat,creat,\
mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,link,linkat,symlink,symlinkat,truncate \
        "$program"
    click_memory
    for _ in $(seq 600); do [ "$(window_count '^Marlinth$')" -ge 2 ] && break; sleep 0.1; done
    xdotool key Return
    sleep 0.5
    click_folder
    dialog=$(wait_window '^目录选择$' 10) || fail "the folder chooser did not open"
    click_window "$dialog" 144 156
    sleep 0.5
    xdotool windowactivate --sync "$MAIN" key --clearmodifiers alt+F4
    wait "$APP_PID" || true
    APP_PID=
    # A write is an open for writing or a change to the file system that succeeded.
    writes=$(cat "$trace".* |
        grep -E 'O_WRONLY|O_RDWR|O_CREAT|creat\(|mkdir|rename|unlink|link\(|linkat|symlink|truncate' |
        grep -vE '= -1 ' || true)
    programs=$(cat "$trace".* | grep -E 'execve' | grep -vE '= -1 ' | tail -n +2 || true)
    [ -z "$writes" ] || fail "wrote to disk: $writes"
    [ -z "$programs" ] || fail "started a program: $programs"
    echo "$(cat "$trace".* | wc -l) traced calls: no write, no other program"
    ;;
*)
    fail "no scenario $name"
    ;;
esac
echo "PASS: $name"
