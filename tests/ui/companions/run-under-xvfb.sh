#!/bin/sh
# Runs a test program on its own Xvfb display. The first display number tried differs from run to run,
# so that tests started at the same moment (ctest -j, other checkouts) do not race for one display.
set -eu
exec xvfb-run -a -n "$((100 + $$ % 800))" -s "-screen 0 1280x1024x24" "$@"
