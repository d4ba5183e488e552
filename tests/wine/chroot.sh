#!/usr/bin/env bash
# Runs a command of the Debian tree that holds 32-bit Wine (wine32.sh makes it), in a mount
# namespace of its own where that tree sees, at their own paths, the project (the programs and
# the Wine prefix), /tmp (the X display's socket, the tests' own folders and mounts) and the
# machine's fonts. Exit status and output are the command's.
#   chroot.sh ROOT COMMAND [ARGUMENT...]
set -euo pipefail
root=$1
shift
project=$(cd "$(dirname "$0")/../.." && pwd)
exec unshare -m --propagation private bash -c '
    set -e
    root=$1 project=$2 here=$3
    shift 3
    mount --rbind /dev "$root/dev"
    mount -t proc proc "$root/proc"
    mount --rbind /tmp "$root/tmp"
    mkdir -p "$root$project"
    mount --bind "$project" "$root$project"
    mount --bind -o ro /usr/share/fonts "$root/usr/share/fonts"
    exec chroot "$root" sh -c "cd \"\$0\" 2>/dev/null || cd /; exec \"\$@\"" "$here" "$@"
' chroot.sh "$root" "$project" "$PWD" "$@"
