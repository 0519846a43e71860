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

# mdbtools' library is linked by the Access reader alone, a program of its own: neither here nor in the module.
for file in "$program" "$module"; do
    needed "$file" | grep -q '^libmdb' && fail "$(basename "$file") links mdbtools' library"
done

# Every symbol the module takes from outside is there when the program loads it: in the program itself or in a
# library the module brings.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
nm -D --defined-only "$program" | awk '{print $NF}' | sed 's/@.*//' >"$work/defined"
for lib in $(ldd "$module" | awk '$2 == "=>" && $3 ~ /^\// {print $3}'); do
    nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' >>"$work/defined"
done
sort -u -o "$work/defined" "$work/defined"
nm -D --undefined-only "$module" | awk '$1 == "U" {print $2}' | sed 's/@.*//' | sort -u >"$work/needed"
missing=$(comm -23 "$work/needed" "$work/defined")
[ -z "$missing" ] || fail "the module of features needs symbols nobody defines: $(echo "$missing" | head -5 | tr '\n' ' ')"

# While the About window is on show, none of them, nor the module, is in the running program.
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
