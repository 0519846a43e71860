#!/bin/sh
# The README's run command as a newcomer meets it, with cmake, dpkg-query and apt-get replaced by recording
# stand-ins: it asks only for what building and running need, lets the build's progress through, and says in
# the program's own answer through, with or without a display. Usage: run_script_test.sh <source folder>
set -u
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/bin" "$work/src/scripts"
cp -p "$source_dir/scripts/run.sh" "$source_dir/scripts/install-deps.sh" "$work/src/scripts/"
# Every package counts as installed; the names asked about are recorded.
cat > "$work/bin/dpkg-query" <<'FAKE'
#!/bin/sh
for last; do :; done
echo "$last" >> "$FAKE_LOG.queried"
printf 'install ok installed'
FAKE
printf '#!/bin/sh\necho "apt-get $*" >> "$FAKE_LOG.apt"\n' > "$work/bin/apt-get"
# cmake: configuring writes build.ninja and a program that says it started; building prints ninja's progress.
cat > "$work/bin/cmake" <<'FAKE'
#!/bin/sh
echo "cmake $*" >> "$FAKE_LOG.cmake"
if [ "$1" = "--build" ]; then
    echo "[1/2] Building CXX object app/CMakeFiles/quorvel.dir/main.cpp.o"
    echo "[2/2] Linking CXX executable app/quorvel"
    exit 0
fi
while [ $# -gt 0 ]; do [ "$1" = "-B" ] && build="$2"; shift; done
mkdir -p "$build/app"; : > "$build/build.ninja"
printf '#!/bin/sh\necho "quorvel started $*"\n' > "$build/app/quorvel"; chmod +x "$build/app/quorvel"
FAKE
chmod +x "$work/bin/"*
export PATH="$work/bin:$PATH" FAKE_LOG="$work/log"

# Without a display: the build runs and shows its progress, then the program answers --help itself (it alone
# knows which of its options need a display).
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; sh "$work/src/scripts/run.sh" --help >"$work/out" 2>"$work/err"); status=$?
[ "$status" -eq 0 ] || fail "no display: status $status ($(cat "$work/err"))"
grep -q '^\[2/2\] Linking' "$work/out" || fail "the build's progress is not shown: $(cat "$work/out")"
grep -q "^quorvel started --help" "$work/out" || fail "no display: the program did not answer: $(cat "$work/out")"
grep -q "QUORVEL_BUILD_TESTS=OFF" "$work/log.cmake" || fail "the run build configures the tests: $(cat "$work/log.cmake")"
grep -q -- "--quiet" "$work/log.cmake" && fail "the build is quiet: $(cat "$work/log.cmake")"

# Only what building and running need is asked for.
for needed in qt6-base-dev g++ cmake libsqlitecpp-dev shared-mime-info xdg-utils qt6-translations-l10n; do
    grep -qx "$needed" "$work/log.queried" || fail "run.sh does not install $needed"
done
for test_only in xvfb xauth openbox x11-utils poppler-utils imagemagick libgtest-dev libgmock-dev libbenchmark-dev \
    desktop-file-utils dbus clang lintian; do
    grep -qx "$test_only" "$work/log.queried" && fail "run.sh installs the test-only package $test_only"
done
# The test command's level asks for the test packages too.
for test_only in xvfb openbox libgtest-dev dbus; do
    sh "$work/src/scripts/install-deps.sh" --test --print | tr ' ' '\n' | grep -qx "$test_only" ||
        fail "install-deps.sh --test lacks $test_only"
done

# With a display the program starts, with the arguments given.
DISPLAY=:5 sh "$work/src/scripts/run.sh" --version >"$work/out" 2>"$work/err"; status=$?
[ "$status" -eq 0 ] || fail "with a display: status $status ($(cat "$work/err"))"
grep -q "^quorvel started --version" "$work/out" || fail "with a display: $(cat "$work/out")"
[ -e "$work/log.apt" ] && fail "apt-get ran although nothing was missing"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "run script: all checks passed"
