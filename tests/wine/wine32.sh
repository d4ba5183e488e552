#!/usr/bin/env bash
# Gets a 32-bit Wine for the 32-bit program's tests, where this machine runs 32-bit code at all.
#   wine32.sh DIR
# On success DIR/wine and DIR/wineserver run it; otherwise DIR/skipped says why not, and the
# tests are skipped with that reason. Two ways, tried in order:
# - Debian's wine32 beside the installed wine64 (multiarch), when apt can match the i386
#   libraries to the installed amd64 ones; it never removes or downgrades a 64-bit package;
# - otherwise a Debian tree of its own in DIR/root, from the main archive alone, with wine64 and
#   wine32 (so that 64-bit Windows, which runs both, can be played there too), run in a chroot.
set -euo pipefail
dir=$(mkdir -p "$1" && cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rm -f "$dir/skipped"

skip() {
    echo "32-bit Windows tests will be skipped: $*"
    echo "$*" >"$dir/skipped"
    rm -f "$dir/wine" "$dir/wine64" "$dir/wineserver"
    exit 0
}

# DIR/wine, DIR/wine64 (64-bit Windows, which runs 32-bit programs too) and DIR/wineserver run
# the command of that name, after a prefix of words.
write_runners() {
    for name in wine wine64 wineserver; do
        printf '#!/bin/sh\nexec %s /usr/lib/wine/%s "$@"\n' "$1" "$name" >"$dir/$name"
        chmod +x "$dir/$name"
    done
}

# Some kernels of this kind run no 32-bit code at all: a three-instruction program tells.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '.globl _start\n_start:\nmovl $1, %%eax\nmovl $42, %%ebx\nint $0x80\n' >"$probe/exit.s"
status=0
{ as --32 "$probe/exit.s" -o "$probe/exit.o" && ld -m elf_i386 "$probe/exit.o" -o "$probe/exit" &&
    "$probe/exit"; } >"$probe/log" 2>&1 || status=$?
[ "$status" -eq 42 ] || skip "this machine runs no 32-bit code ($(tail -n 1 "$probe/log"))"

if [ -x "$dir/root/usr/lib/wine/wine" ]; then
    write_runners "bash $here/chroot.sh $dir/root"
    exit 0
fi
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    write_runners ""
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif sudo -n true 2>/dev/null; then
    as_root=(sudo)
else
    skip "installing 32-bit Wine needs root or sudo"
fi

# Multiarch. apt must read the i386 indexes of every archive the machine uses, the security
# archive's too: a mirror in the middle of a sync serves one of the wrong size, and apt then
# cannot match the versions. Tried twice, then left.
failed_index=""
added_i386=false
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
    added_i386=true
fi
for attempt in 1 2; do
    if "${as_root[@]}" apt-get update -qq >"$probe/update" 2>&1; then
        failed_index=""
        break
    fi
    failed_index=$(grep -o 'Failed to fetch [^ ]*' "$probe/update" | head -n 1 | cut -d' ' -f4)
    failed_index=${failed_index:-$(tail -n 1 "$probe/update")}
    [ "$attempt" -eq 1 ] && sleep 10
done
installed=false
if [ -z "$failed_index" ]; then
    # Only if nothing of the machine's own goes or goes back a version.
    if "${as_root[@]}" apt-get install -s -qq --no-install-recommends wine32:i386 >"$probe/plan" 2>&1 &&
        ! grep -q '^Remv ' "$probe/plan" && ! grep -qi 'downgrad' "$probe/plan"; then
        DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq \
            --no-install-recommends wine32:i386 >"$probe/install" 2>&1 && installed=true
    fi
fi
if $installed; then
    write_runners ""
    echo "32-bit Wine: Debian's wine32 (multiarch)"
    exit 0
fi
# Nothing i386 installed: the architecture goes again, with its indexes, so that apt works as
# before for everything else.
if $added_i386 && [ -z "$(dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -x i386)" ]; then
    "${as_root[@]}" dpkg --remove-architecture i386
    "${as_root[@]}" apt-get update -qq >/dev/null 2>&1 || true
fi
reason=${failed_index:+the index $failed_index failed to download twice}
reason=${reason:-"apt cannot install wine32:i386 beside this machine's packages"}
echo "Multiarch 32-bit Wine is not to be had ($reason); making a Debian tree of its own instead"

# A tree of its own, from the main archive alone, whose indexes agree with each other.
[ ${#as_root[@]} -eq 0 ] || skip "multiarch failed ($reason), and the chroot needs root"
bash "$here/../../scripts/setup-debian.sh" debootstrap
mirror=$(grep -rhoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d \
    2>/dev/null | head -n 1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian}
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
rm -rf "$dir/root.partial"
in_tree() { DEBIAN_FRONTEND=noninteractive chroot "$dir/root.partial" "$@"; }
if ! { debootstrap --arch=amd64 --variant=minbase --include=locales "$suite" "$dir/root.partial" \
    "$mirror" && in_tree dpkg --add-architecture i386 && in_tree apt-get update -qq &&
    in_tree apt-get install -y -qq --no-install-recommends wine64 wine32:i386 fonts-wine &&
    in_tree localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 && in_tree apt-get clean; } \
    >"$dir/root.log" 2>&1; then
    umount -R "$dir/root.partial/proc" "$dir/root.partial/sys" 2>/dev/null || true
    rm -rf "$dir/root.partial"
    skip "multiarch failed ($reason), and so did a Debian tree of its own from $mirror" \
        "($(tail -n 1 "$dir/root.log"))"
fi
mv "$dir/root.partial" "$dir/root"
write_runners "bash $here/chroot.sh $dir/root"
echo "32-bit Wine: Debian's wine32 in a tree of its own, $dir/root"
