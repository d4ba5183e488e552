#!/usr/bin/env bash
# Runs the drive list's bind-mount test in a mount namespace of its own: a folder bound onto
# another, and a file bound over /etc/hosts as containers bind it. Nothing outside the namespace
# sees either. Needs root; skipped, and said so, without it.
# Usage: bind_mounts.sh TEST_PROGRAM SCRATCH_FOLDER (not on a tmpfs, which is no drive)
set -euo pipefail
SKIP=77
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: bind mounts of its own need root"; exit "$SKIP"; }
unshare -m true 2>/dev/null || { echo "SKIPPED: no mount namespace to be had"; exit "$SKIP"; }
mkdir -p "$2"
place=$(mktemp -d "$2/binds.XXXXXX")
trap 'rm -rf "$place"' EXIT
mkdir "$place/source" "$place/folder"
echo "127.0.0.1 marlinth" >"$place/hosts"
# shellcheck disable=SC2016
unshare -m --propagation private bash -c '
    mount --bind "$1/source" "$1/folder"
    mount --bind "$1/hosts" /etc/hosts
    MARLINTH_BOUND_FOLDER=$1/folder MARLINTH_BOUND_FILE=/etc/hosts \
        exec "$2" --gtest_filter=DriveList.OffersABoundFolderButNotABoundFile' - "$place" "$1"
