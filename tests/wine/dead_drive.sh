#!/usr/bin/env bash
# A drive letter whose target is a network mount that has stopped answering (a FUSE mount whose
# daemon is stopped), and a test program that chooses it. All in a mount namespace of its own,
# where nothing else on the machine meets the mount, with a Wine server of its own that sees it.
#   dead_drive.sh STATE_DIR PROGRAM [ARGUMENT...]
set -euo pipefail
here=$(dirname "$0")
source "$here/env.sh" "$1"
shift

if [ -z "${MARLINTH_PRIVATE_MOUNTS:-}" ]; then
    for tool in bindfs unshare mountpoint; do
        command -v "$tool" >/dev/null ||
            { echo "SKIPPED: $tool is missing (scripts/test.sh installs it)"; exit 77; }
    done
    [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] ||
        { echo "SKIPPED: a FUSE mount of its own needs root and /dev/fuse"; exit 77; }
    MARLINTH_PRIVATE_MOUNTS=1 exec unshare -m --propagation private bash "$0" "$state" "$@"
fi

work=$(mktemp -d)
mkdir "$work/source" "$work/dead" "$work/tmp"
# Wine finds its server through TMPDIR: the shared one, which would not see the mount, is not
# found, and one of this namespace's own starts.
export TMPDIR=$work/tmp
bindfs -f "$work/source" "$work/dead" &
bindfs=$!
trap 'rm -f "$WINEPREFIX/dosdevices/q:"; "$wineserver" -k 2>/dev/null || true
    { kill -KILL "$bindfs"; wait "$bindfs"; } 2>/dev/null || true
    umount -l "$work/dead" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do mountpoint -q "$work/dead" && break; sleep 0.05; done
mountpoint -q "$work/dead" || { echo "bindfs did not mount" >&2; exit 1; }
ln -sfn "$work/dead" "$WINEPREFIX/dosdevices/q:"
# Wine blocks for good on a drive that does not answer when its services start (its mount
# manager asks each drive) and when a program starts (it looks for the drive that holds the
# current folder), and takes in no drive made later. So the drive stops answering once the
# test program is up, as a network drive does whose server goes away; the program waits for
# the word, and the kernel's cache of the mount still answers for a second.
"$wineserver" -p
"$wine" cmd.exe /c exit 0 </dev/null >>"$log" 2>&1
mkfifo "$work/go"
exec 3<>"$work/go"
MARLINTH_DEAD_DRIVE='Q:\' "$wine" "$@" <&3 | while IFS= read -r line; do
    printf '%s\n' "$line"
    if [[ $line == "waiting for Q:\ to stop answering"* ]]; then
        kill -STOP "$bindfs"
        sleep 1.5
        echo >&3
    fi
done
