#!/bin/sh
# The program starts without the libraries only later windows need: SQLite (favourites), Qt Print Support
# (printing) and Qt Network (availability) come with its module of features, loaded at the first use of one.
set -u
program="$1"
module="$2"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }

later="libsqlite3.so.0 libQt6PrintSupport.so.6 libQt6Network.so.6"
for lib in $later; do
    needed "$program" | grep -qx "$lib" && fail "the program needs $lib at start"
    needed "$module" | grep -qx "$lib" || fail "the module of features does not bring $lib"
done

# While the About window is on show, none of them, nor the module, is in the running program.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QUORVEL_SYSTEM_DIR="$work" "$program" -platform offscreen >"$work/out.log" 2>&1 &
pid=$!
i=0
while [ $i -lt 50 ] && ! grep -q libqoffscreen "/proc/$pid/maps" 2>/dev/null; do
    sleep 0.1
    i=$((i + 1))
done
sleep 1 # the About window is up and its first frames are drawn
if [ -r "/proc/$pid/maps" ]; then
    for lib in $later quorvel-features.so; do
        grep -q "/$lib" "/proc/$pid/maps" && fail "$lib is loaded while the About window is on show"
    done
else
    fail "the program ended at start: $(cat "$work/out.log")"
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ "$failures" -eq 0 ] && echo "program libraries: all checks passed"
[ "$failures" -eq 0 ]
