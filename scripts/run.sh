#!/bin/sh
# Installs what is missing, builds Quorvel and starts it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target quorvel -- --quiet
exec build/app/quorvel "$@"
