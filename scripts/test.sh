#!/bin/sh
# Installs what is missing, builds Quorvel with its tests (warnings are errors) and runs every test.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --all
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_WERROR=ON >/dev/null
cmake --build build-test -- --quiet
cd build-test && ctest --output-on-failure -j2
