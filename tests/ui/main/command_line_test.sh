#!/bin/sh
# The command lines of both programs as a user meets them in a terminal: --help and --version print and exit 0
# without any display, a bad option gives one line pointing at --help and status 2, and quorvel without a
# display says so in one line and exits 1 instead of aborting.
# Usage: command_line_test.sh <quorvel> <quorvel-code>
set -u
quorvel="$1"; coder="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export QUORVEL_SYSTEM_DIR="$work" QUORVEL_DATA_DIR="$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run LABEL EXPECTED_STATUS COMMAND...: leaves the output in $work/out, $work/err.
run() {
    label="$1"; expected="$2"; shift 2
    "$@" >"$work/out" 2>"$work/err"; status=$?
    [ "$status" -eq "$expected" ] || fail "$label: status $status, expected $expected (err: $(cat "$work/err"))"
    if [ "$status" -gt 128 ]; then fail "$label: ended by a signal"; fi
}
lines() { wc -l < "$1" | tr -d ' '; }

run "quorvel --help" 0 "$quorvel" --help
grep -q -- "--set-language" "$work/out" || fail "quorvel --help does not name --set-language"
grep -q -- "--version" "$work/out" || fail "quorvel --help does not name --version"
[ -s "$work/err" ] && fail "quorvel --help wrote to standard error: $(cat "$work/err")"

run "quorvel --version" 0 "$quorvel" --version
[ "$(cat "$work/out")" = "quorvel 1.1.0" ] || fail "quorvel --version printed '$(cat "$work/out")'"

for bad in --colour -x --help=1; do
    run "quorvel $bad" 2 "$quorvel" "$bad"
    [ "$(lines "$work/err")" = 1 ] || fail "quorvel $bad: $(lines "$work/err") lines on standard error"
    grep -q -- "'$bad'.*quorvel --help" "$work/err" || fail "quorvel $bad: $(cat "$work/err")"
    [ -s "$work/out" ] && fail "quorvel $bad wrote to standard output"
done
run "quorvel with a stray argument" 2 "$quorvel" name
[ "$(lines "$work/err")" = 1 ] || fail "stray argument: $(cat "$work/err")"

run "quorvel without a display" 1 "$quorvel"
[ "$(lines "$work/err")" = 1 ] || fail "no display: $(lines "$work/err") lines: $(cat "$work/err")"
grep -q "no display" "$work/err" || fail "no display: $(cat "$work/err")"

# A display is named but nothing answers there: Qt's failure becomes the same kind of single line.
DISPLAY=:7391 run "quorvel with an unreachable display" 1 "$quorvel"
[ "$(lines "$work/err")" = 1 ] || fail "unreachable display: $(lines "$work/err") lines: $(cat "$work/err")"
grep -q ":7391" "$work/err" || fail "unreachable display: $(cat "$work/err")"

run "quorvel-code --version" 0 "$coder" --version
[ "$(cat "$work/out")" = "quorvel-code 1.1.0" ] || fail "quorvel-code --version printed '$(cat "$work/out")'"
run "quorvel-code --colour" 2 "$coder" --colour
[ "$(lines "$work/err")" = 1 ] || fail "quorvel-code --colour: $(lines "$work/err") lines on standard error"
grep -q -- "quorvel-code --help" "$work/err" || fail "quorvel-code --colour: $(cat "$work/err")"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "command line: all checks passed"
