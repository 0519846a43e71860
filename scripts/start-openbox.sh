#!/bin/sh
# Starts the openbox window manager on $DISPLAY and returns once it manages windows. Openbox announces
# itself before it has finished starting, and a window mapped in between can stay without a frame for good,
# so a probe window is shown (again after each miss) until it carries its frame extents.
set -u
openbox --sm-disable >/dev/null 2>&1 &
attempt=0
while [ "$attempt" -lt 12 ]; do
    attempt=$((attempt + 1))
    xmessage -title quorvel-wm-probe probe >/dev/null 2>&1 &
    probe=$!
    i=0
    while [ "$i" -lt 20 ]; do
        i=$((i + 1))
        if xprop -name quorvel-wm-probe _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; then
            kill "$probe" 2>/dev/null
            wait "$probe" 2>/dev/null
            exit 0
        fi
        sleep 0.25
    done
    kill "$probe" 2>/dev/null
    wait "$probe" 2>/dev/null
done
echo "start-openbox.sh: openbox did not frame a window" >&2
exit 1
