#!/bin/sh
# Runs a widget test on a real X server (platform xcb) instead of offscreen: key bindings of the X11 key scheme
# (Ctrl+E is "end of line" in a text box there) only show up on a real display.
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIP: xvfb-run is not installed (Debian package xvfb); the X11 run of $1 cannot happen"
    exit 77
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
