#!/bin/sh
# Installs what building and running need, builds Quorvel (showing the build's progress) and starts it.
# QUORVEL_RUN_BUILD_DIR names another build folder (default: build).
set -eu
cd "$(dirname "$0")/.."
build=${QUORVEL_RUN_BUILD_DIR:-build}
scripts/install-deps.sh
if [ ! -f "$build/build.ninja" ]; then
    echo "Configuring a build in $build (the first build takes a few minutes)"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_TESTS=OFF \
        -DQUORVEL_BUILD_BENCH=OFF >/dev/null
fi
# Ninja's own progress line, [done/total], shows the build going on.
cmake --build "$build" --target quorvel
# Without a display the program itself says so in one line; --help and --version answer anywhere.
exec "$build/app/quorvel" "$@"
