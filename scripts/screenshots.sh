#!/bin/sh
# Takes a picture of every window of both editions into docs/screenshots/ (<window>-<es|en>.png):
# About, main, favourites (nothing kept, search by figure, search by name), domain register, symbology,
# reduced and help. Builds the tool quorvel-shots, then runs it under Xvfb with the openbox window manager,
# so the pictures show real X11 windows with their frames.
#   QUORVEL_BUILD_DIR  build folder to use (default: build, the one scripts/run.sh uses)
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${QUORVEL_BUILD_DIR:-build}
OUT=${1:-docs/screenshots}

scripts/install-deps.sh --test
# An existing build folder keeps its configuration; a new one is configured like scripts/run.sh's.
if [ -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake "$BUILD_DIR" >/dev/null
else
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target quorvel-shots -- --quiet

mkdir -p "$OUT"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A fresh home: no desktop settings of the user change how the windows look. Arial is asked for and
# fontconfig gives Liberation Sans, as on a user's machine.
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR= \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    sh -c 'scripts/start-openbox.sh && exec "$0" "$1"' "$BUILD_DIR/tools/quorvel-shots" "$OUT"
