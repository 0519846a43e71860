#!/bin/sh
# The real program on a virtual X server, started from a copy whose feature plugin is missing, then one whose
# plugin is of another version: the favourites window, the availability window and a save each tell the user
# once, in a notice, and the program goes on; the reduced window, which needs no plugin, still opens; standard
# error names the plugin once, by its clean path.
#   plugin_missing_test.sh <quorvel> <plugin of another version> <plugin path from the program's folder>
set -u
program="$1"
wrong="$2"
from_bin="$3"
for tool in xdotool xwininfo xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed; the real-window test cannot run"
        exit 77
    fi
done
unset QT_QPA_PLATFORM
work=$(mktemp -d)
# One client stays connected throughout: an X server whose last client leaves resets itself, and a program started
# in that moment finds no display.
xprop -root -spy >/dev/null 2>&1 &
holder=$!
trap 'kill "$holder" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
title='Quorvel v1.1'
# The visible top-level windows titled like the main window (notices carry the title "Quorvel").
shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
wait_shown() { # title count seconds
    tries=0
    while [ "$(shown "$1")" -ne "$2" ]; do
        tries=$((tries + 1))
        [ "$tries" -ge $(($3 * 5)) ] && return 1
        sleep 0.2
    done
}
press() {
    xdotool key --clearmodifiers "$1"
}

for case in missing wrong; do
    tree="$work/$case"
    mkdir -p "$tree/bin" "$tree/data"
    cp "$program" "$tree/bin/quorvel"
    plugin="$tree/bin/$from_bin"
    mkdir -p "$(dirname "$plugin")"
    # The private libraries lie where they are installed, beside where the plugin belongs.
    cp "$(dirname "$program")/$(dirname "$from_bin")"/libquorvel-*.so "$(dirname "$plugin")/"
    [ "$case" = wrong ] && cp "$wrong" "$plugin"
    clean=$(cd "$(dirname "$plugin")" && pwd -P)/$(basename "$plugin")

    QUORVEL_DATA_DIR="$tree/data" "$tree/bin/quorvel" >"$tree/out.log" 2>"$tree/err.log" &
    pid=$!
    if ! wait_shown "$title" 1 25; then
        fail "$case: the main window did not appear: $(cat "$tree/err.log")"
        kill "$pid" 2>/dev/null
        continue
    fi
    main=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
    main_width=$(xwininfo -id "$main" | awk '/Width:/ {print $2}')
    xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true

    # Each use that needs the plugin: one notice, closed with Enter, and back to the main window alone.
    for use in ctrl+f ctrl+d save; do
        if [ "$use" = save ]; then
            xdotool mousemove --window "$main" 307 103 click 1
            xdotool type --delay 50 'abc'
            xdotool mousemove --window "$main" 147 227 click 1
        else
            press "$use"
        fi
        if wait_shown Quorvel 1 10; then
            sleep 0.3
            [ "$(shown Quorvel)" -eq 1 ] || fail "$case: $use brought more than one notice"
            press Return
            wait_shown Quorvel 0 10 || fail "$case: the notice after $use did not close"
        else
            fail "$case: $use told the user nothing"
        fi
        [ "$(shown "$title")" -eq 1 ] || fail "$case: after $use the main window is not the only window"
        xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true
    done
    [ -e "$tree/data/QUORVEL.MDB" ] && fail "$case: a favourites file was made without the plugin"

    # What needs no plugin still works: the reduced window takes the main window's place.
    press ctrl+r
    tries=0
    reduced_width=$main_width
    while [ "$tries" -lt 50 ]; do
        id=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
        [ -n "$id" ] && reduced_width=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
        [ "$reduced_width" != "$main_width" ] && break
        tries=$((tries + 1))
        sleep 0.2
    done
    [ "$reduced_width" != "$main_width" ] || fail "$case: the reduced window did not open"
    kill -0 "$pid" 2>/dev/null || fail "$case: the program ended"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null

    # Standard error: one line, in English, naming the clean path.
    lines=$(grep -c "quorvel-features" "$tree/err.log")
    [ "$lines" -eq 1 ] || fail "$case: standard error names the plugin $lines times: $(cat "$tree/err.log")"
    grep -qF "$clean" "$tree/err.log" || fail "$case: standard error does not name $clean: $(cat "$tree/err.log")"
    grep -q '/\.\./' "$tree/err.log" && fail "$case: an uncleaned path: $(cat "$tree/err.log")"
    case $case in
    missing) grep -q "is missing" "$tree/err.log" || fail "$case: $(cat "$tree/err.log")" ;;
    wrong) grep -q "another version" "$tree/err.log" || fail "$case: $(cat "$tree/err.log")" ;;
    esac
    echo "$case: $(grep quorvel-features "$tree/err.log")"
done
[ "$failures" -eq 0 ] && echo "program without its plugin: all checks passed"
[ "$failures" -eq 0 ]
