#!/usr/bin/env bash
# Builds the benchmarks and runs each one on an X display (xcb, windows managed by openbox) and
# offscreen, printing their figures. Figures are reported, never judged: the script fails only
# when a benchmark could not run at all.
#
#   bench/run.sh [startup|run|folders|mounts|pause]...  (all five when none is named; about 6
#                                                        minutes)
#
# Uses $DISPLAY when it is set; otherwise starts a private Xvfb display for the duration.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=$root/build/default
# Per program and platform, for start-up. On a shared machine a median of 10 strayed by up to a
# tenth from run to run; one of 20 holds to a few hundredths.
launches=20

benchmarks=("$@")
[[ $# -gt 0 ]] || benchmarks=(startup run folders mounts pause)
for name in "${benchmarks[@]}"; do
    case $name in
    startup | run | folders | mounts | pause) ;;
    *)
        echo "usage: $0 [startup|run|folders|mounts|pause]..." >&2
        exit 2
        ;;
    esac
done

scratch=$(mktemp -d)
started=()
# shellcheck disable=SC2317 # run by the trap below
cleanup() {
    local pid
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

# ---- build: one job, the machine is shared ----
cd "$root" || exit 1
if ! grep -qs '^BUILD_TESTING:BOOL=ON' "$build/CMakeCache.txt"; then
    cmake --preset default -DBUILD_TESTING=ON >"$scratch/configure.log" 2>&1 || {
        cat "$scratch/configure.log" >&2
        exit 1
    }
fi
targets=(marlinth bench_bare_window bench_startup_probe bench_startup bench_memory_run
    bench_folders bench_chooser bench_pause)
if ! cmake --build --preset default --parallel 1 --target "${targets[@]}" \
    >"$scratch/build.log" 2>&1; then
    tail -n 40 "$scratch/build.log" >&2
    echo "run.sh: the build failed (is add_subdirectory(bench) in CMakeLists.txt?)" >&2
    exit 1
fi

# ---- an X display with a window manager ----
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then # the toolkit warns without one
    export XDG_RUNTIME_DIR=$scratch/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

wait_for() { # seconds, command...
    local tries=$(($1 * 10))
    shift
    until "$@" >/dev/null 2>&1; do
        ((--tries > 0)) || return 1
        sleep 0.1
    done
}

if [[ -z ${DISPLAY:-} ]]; then
    # A cookie of our own, so that no other local user can draw on the display.
    cookie=$(mcookie)
    : >"$scratch/server.auth"
    : >"$scratch/client.auth"
    xauth -q -f "$scratch/server.auth" add :0 . "$cookie"
    Xvfb -displayfd 3 -auth "$scratch/server.auth" -screen 0 1280x1024x24 -br -nolisten tcp \
        3>"$scratch/display" 2>"$scratch/xvfb.log" &
    started+=($!)
    if ! wait_for 10 grep -q . "$scratch/display"; then
        cat "$scratch/xvfb.log" >&2
        echo "run.sh: Xvfb did not start" >&2
        exit 1
    fi
    display_number=$(head -n 1 "$scratch/display")
    export DISPLAY=:$display_number
    export XAUTHORITY=$scratch/client.auth
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
    display_note="private Xvfb"
else
    display_note="given"
fi
has_window_manager() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
if ! has_window_manager; then
    openbox >"$scratch/openbox.log" 2>&1 &
    started+=($!)
    wait_for 10 has_window_manager || {
        echo "run.sh: openbox did not start" >&2
        exit 1
    }
fi

# ---- the benchmarks ----
commit=$(git -C "$root" describe --always --dirty 2>/dev/null || echo unknown)
echo "Marlinth benchmarks, commit $commit, $(nproc) cores, X display $DISPLAY ($display_note)"
status=0
could_not_run() {
    echo "  $1: could not run" >&2
    status=1
}

benchmark_startup() {
    echo
    echo "startup: process start to first paint of the main window, and peak memory;"
    echo "median of $launches launches each; goal on X: marlinth / bare Qt <= 1.35x time, <= 1.25x memory"
    printf '  %-10s %-10s %10s %12s\n' platform program "paint ms" "peak KiB"
    "$build/bench/bench_startup" xcb "$launches" "$build/app/marlinth" \
        "$build/bench/bench_bare_window" || could_not_run "startup on xcb"
    "$build/bench/bench_startup" offscreen "$launches" "$build/bench/bench_startup_probe" \
        "$build/bench/bench_bare_window" || could_not_run "startup offscreen"
    # On Wayland: a headless weston of its own, where the toolkit's Wayland plugin is installed.
    if ! command -v weston >/dev/null ||
        ! compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null; then
        echo "  wayland: not measured (Debian's weston and qt6-wayland are not installed)"
        return
    fi
    weston --backend=headless-backend.so --socket=marlinth-bench --idle-time=0 \
        >"$scratch/weston.log" 2>&1 &
    started+=($!)
    wait_for 10 test -S "$XDG_RUNTIME_DIR/marlinth-bench" || {
        could_not_run "startup on wayland (weston did not start)"
        return
    }
    WAYLAND_DISPLAY=marlinth-bench "$build/bench/bench_startup" wayland "$launches" \
        "$build/app/marlinth" "$build/bench/bench_bare_window" || could_not_run "startup on wayland"
}

benchmark_run() {
    echo
    echo "run: a memory run, 1001 pauses of 50 ms (50.05 s);"
    echo "goal: wall / paused <= 1.01 on X, CPU <= 1 % of wall"
    printf '  %-10s %10s %12s %10s %8s\n' platform "wall s" "wall/paused" "CPU ms" "CPU %"
    local platform
    for platform in xcb offscreen; do
        QT_QPA_PLATFORM=$platform "$build/bench/bench_memory_run" 2>"$scratch/stderr" ||
            { cat "$scratch/stderr" >&2; could_not_run "run on $platform"; }
    done
}

benchmark_folders() {
    echo
    echo "folders: the folder list moved to a folder of 100,000 subfolders and painted;"
    echo "median of 5 moves; goal <= 500 ms"
    printf '  %-10s %8s %10s %10s %10s %10s\n' platform folders "median ms" fastest slowest \
        "making ms"
    local platform
    for platform in xcb offscreen; do
        QT_QPA_PLATFORM=$platform "$build/bench/bench_folders" 2>"$scratch/stderr" ||
            { cat "$scratch/stderr" >&2; could_not_run "folders on $platform"; }
    done
}

benchmark_mounts() {
    echo
    echo "mounts: the folder chooser opened (made, shown, painted) from a folder that holds 50"
    echo "mounts, all answering, then with one that has stopped (a FUSE mount with its daemon"
    echo "stopped), in a mount namespace of its own; median of 20 openings; goal <= 1000 ms"
    if [[ $(id -u) -ne 0 || ! -c /dev/fuse ]] || ! command -v bindfs unshare >/dev/null; then
        echo "  not measured: needs root, /dev/fuse, bindfs and unshare"
        return
    fi
    printf '  %-22s %6s %10s %10s %10s\n' mounts drives "median ms" fastest slowest
    # shellcheck disable=SC2016
    QT_QPA_PLATFORM=xcb unshare -m --propagation private bash -c '
        cd "$1" || exit 1
        for i in $(seq -w 1 49); do
            mkdir "mount-$i" && mount -t tmpfs -o size=1m tmpfs "mount-$i" || exit 1
        done
        mkdir source dead
        bindfs -f source dead &
        for _ in $(seq 100); do mountpoint -q dead && break; sleep 0.05; done
        "$2" "50 answering" || exit 1
        kill -STOP $!
        sleep 1.5 # the kernel answers from its cache for a second
        "$2" "49 answering, 1 not"
        status=$?
        kill -KILL $!
        exit $status' - "$scratch" "$build/bench/bench_chooser" 2>"$scratch/stderr" ||
        { cat "$scratch/stderr" >&2; could_not_run "mounts"; }
}

benchmark_pause() {
    echo
    echo "pause: the step pause, three seconds of each length; goal: never short"
    echo "Linux:"
    "$build/bench/bench_pause" || could_not_run "pause"
    # Wine's Sleep is exact, so this shows the Windows code's own overhead, not a Windows
    # timer's ticks: run bench_pause.exe on a real Windows for those.
    echo "Windows build under Wine:"
    if cmake --preset windows >"$scratch/windows.log" 2>&1 &&
        cmake --build --preset windows --parallel 1 --target bench_pause \
            >>"$scratch/windows.log" 2>&1; then
        bash "$root/tests/wine/run.sh" "$scratch/wine" "$root/build/windows/bench/bench_pause.exe" \
            </dev/null || could_not_run "pause under Wine"
    else
        tail -n 20 "$scratch/windows.log" >&2
        could_not_run "pause under Wine"
    fi
}

for name in "${benchmarks[@]}"; do
    case $name in
    pause) benchmark_pause ;;
    startup) benchmark_startup ;;
    run) benchmark_run ;;
    folders) benchmark_folders ;;
    mounts) benchmark_mounts ;;
    esac
done
exit "$status"
