#!/bin/sh
# Installs, with apt-get, whatever Quorvel needs that is not yet on this machine. Quiet and quick when nothing
# is missing.
#   install-deps.sh          what building and running the program need (scripts/run.sh)
#   install-deps.sh --test   that, and what the tests and benchmarks need
#   install-deps.sh --all    that, and the fuzzers' compiler and the package checks (scripts/test.sh)
#   add --print to any of these to print the package names instead of installing them.
set -eu

BUILD="cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libglib2.0-dev libsqlitecpp-dev libsqlite3-dev
 libxcb1-dev mdbtools-dev"
RUN="shared-mime-info xdg-utils fonts-liberation2 fonts-dejavu-core qt6-translations-l10n libmdb3"
TEST="libgtest-dev libgmock-dev libbenchmark-dev desktop-file-utils xvfb xauth openbox x11-utils poppler-utils
 imagemagick dbus xdotool python3"
CHECKS="clang clang-format libclang-rt-14-dev appstream lintian file dpkg-dev"

level=run
print=no
for arg in "$@"; do
    case "$arg" in
    --test) level=test ;;
    --all) level=all ;;
    --print) print=yes ;;
    *)
        echo "install-deps.sh: unknown option '$arg' (use --test, --all, --print)" >&2
        exit 2
        ;;
    esac
done
PACKAGES="$BUILD $RUN"
[ "$level" = run ] || PACKAGES="$PACKAGES $TEST"
[ "$level" = all ] && PACKAGES="$PACKAGES $CHECKS"
if [ "$print" = yes ]; then
    echo $PACKAGES
    exit 0
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
