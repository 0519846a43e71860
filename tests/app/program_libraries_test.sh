#!/bin/sh
# The program starts without the libraries only later windows need: SQLite (favourites), Qt Print Support
# (printing) and Qt Network (availability) come with its feature plugin, loaded at the first use of one. Every
# program and private library finds what it needs, looking only beside itself.
set -u
program="$1"
module="$2"
shift 2
others="$*" # the other programs, the Access reader among them
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }

later="libsqlite3.so.0 libQt6PrintSupport.so.6 libQt6Network.so.6"
# The program's private shared libraries (the layers it shares with the plugin), and all it loads at start.
private=$(ldd "$program" | awk '$1 ~ /^libquorvel-/ && $3 ~ /^\// {print $3}')
at_start="$program $private"
for lib in $later; do
    for file in $at_start; do
        needed "$file" | grep -qx "$lib" && fail "$(basename "$file") needs $lib at start"
    done
    needed "$module" | grep -qx "$lib" || fail "the feature plugin does not bring $lib"
done

# mdbtools' library is linked by the Access reader alone, a program of its own: neither by the program, its
# private libraries nor the plugin.
for file in $at_start "$module"; do
    needed "$file" | grep -q '^libmdb' && fail "$(basename "$file") links mdbtools' library"
done

# Neither the program nor the plugin takes a symbol from the other: the program exports nothing for the plugin,
# and the plugin holds no copy of the layers the program uses.
for symbol in 7quorvel2ui7Windows8instanceEv 7quorvel11CurrentName; do
    nm -D --defined-only "$module" | grep -q "$symbol" && fail "the plugin holds its own copy of $symbol"
done
# Run paths name only folders relative to the file itself. An empty entry (as a build tree's run path padded
# for rewriting at install has) is the current folder: the loader would look there first for every library,
# and take one lying there.
for file in $at_start "$module" $others; do
    runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p')
    [ -z "$(readelf -d "$file" | grep '(RPATH)')" ] || fail "$(basename "$file") has an old-style RPATH"
    case ":$runpath:" in
    *::*) [ -n "$runpath" ] && fail "$(basename "$file") has an empty entry in its run path \"$runpath\"" ;;
    esac
    for entry in $(echo "$runpath" | tr ':' ' '); do
        case "$entry" in
        '$ORIGIN' | '$ORIGIN/'*) ;;
        *) fail "$(basename "$file") looks for libraries in $entry" ;;
        esac
    done
    missing=$(ldd "$file" | grep 'not found')
    [ -z "$missing" ] || fail "$(basename "$file") needs libraries that cannot be found: $missing"
done

# While the About window is on show, none of them, nor the plugin, is in the running program.
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
