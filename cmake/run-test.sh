#!/bin/sh
# Runs one test program in folders of its own, made fresh for the run and removed after it, so that it never
# reads or changes the user's files and tests running side by side never share one: the favourites folder
# (QUORVEL_DATA_DIR), the settings folder (QUORVEL_SYSTEM_DIR), the home folder, the XDG data, configuration,
# cache and runtime folders and the temporary folder.
#   run-test.sh [--xserver] PROGRAM [ARGUMENT ...]
# --xserver runs the program on a virtual X server of its own (Xvfb, platform xcb) instead of offscreen; without
# xvfb-run the test is skipped (status 77).
set -u
xserver=no
if [ "${1:-}" = "--xserver" ]; then
    xserver=yes
    shift
fi
root=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-test.XXXXXX") || exit 1
trap 'rm -rf "$root"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
mkdir -p "$root/home" "$root/data" "$root/settings" "$root/xdg/data" "$root/xdg/config" "$root/xdg/cache" \
    "$root/xdg/runtime" "$root/tmp"
chmod 700 "$root/xdg/runtime"
export HOME="$root/home" QUORVEL_DATA_DIR="$root/data" QUORVEL_SYSTEM_DIR="$root/settings" \
    XDG_DATA_HOME="$root/xdg/data" XDG_CONFIG_HOME="$root/xdg/config" XDG_CACHE_HOME="$root/xdg/cache" \
    XDG_RUNTIME_DIR="$root/xdg/runtime" TMPDIR="$root/tmp"
if [ "$xserver" = yes ]; then
    if ! command -v xvfb-run >/dev/null 2>&1; then
        echo "SKIP: xvfb-run is not installed (Debian package xvfb); $1 needs a real X server"
        exit 77
    fi
    export QT_QPA_PLATFORM=xcb
    # The first display number tried differs from run to run, so that runs in other checkouts started at the
    # same moment do not race for one display.
    xvfb-run -a -n "$((100 + $$ % 800))" -s "-screen 0 1280x1024x24" "$@"
else
    "$@"
fi
