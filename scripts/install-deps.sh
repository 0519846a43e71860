#!/bin/sh
# Installs, with apt-get, whatever Quorvel needs to build, run and test that is not yet on this machine.
# Quiet and quick when nothing is missing.
set -eu

PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libglib2.0-dev libsqlitecpp-dev libsqlite3-dev
 libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev
 shared-mime-info xdg-utils desktop-file-utils fonts-liberation2 fonts-dejavu-core
 xvfb xauth openbox x11-utils poppler-utils imagemagick"
if [ "${1:-}" = "--all" ]; then
    PACKAGES="$PACKAGES clang clang-format libclang-rt-14-dev appstream lintian file dpkg-dev xdotool"
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
