#!/bin/sh
# Starts the real quorvel on the virtual X server it is given (run through quorvel_add_test with XSERVER, which
# also gives it folders of its own): the Spanish About window appears first, closes by itself after 10 seconds,
# and the main window takes its place. A screenshot of each stage is left in the build folder.
set -u
quorvel="$1"
out="$2"
for tool in xwininfo xprop import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (x11-utils / imagemagick); the real-window test cannot run"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
unset QT_QPA_PLATFORM

cat > "$work/session.sh" <<'SESSION'
#!/bin/sh
set -u
quorvel="$1"; out="$2"
# Waits until a window with exactly this title is mapped; prints the seconds waited.
wait_for() {
    title="$1"; limit="$2"; waited=0
    while ! xwininfo -root -tree 2>/dev/null | grep -F "\"$title\":" >/dev/null; do
        sleep 0.2; waited=$((waited + 1))
        if [ "$waited" -ge $((limit * 5)) ]; then return 1; fi
    done
    return 0
}
gone() { ! xwininfo -root -tree 2>/dev/null | grep -F "\"$1\":" >/dev/null; }

"$quorvel" > "$out/quorvel-xvfb.log" 2>&1 &
pid=$!
status=0
if wait_for 'Acerca de "Quorvel v1.1"' 15; then
    echo "About window mapped"
    import -window root "$out/quorvel-about.png"
    # The window icon follows the first paint: the task bar's icon of all three sizes, within a few seconds.
    about=$(xwininfo -root -tree | grep -F '"Acerca de "Quorvel v1.1"":' | awk '{print $1}' | head -n 1)
    tries=0
    until xprop -id "$about" _NET_WM_ICON 2>/dev/null | grep -q 'Icon (128 x 128)'; do
        tries=$((tries + 1))
        if [ "$tries" -ge 25 ]; then echo "FAIL: the About window has no icon"; status=1; break; fi
        sleep 0.2
    done
    xprop -id "$about" _NET_WM_ICON 2>/dev/null | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' '; echo
    if gone 'Quorvel v1.1'; then echo "no main window yet: right"; else echo "FAIL: main window before About closed"; status=1; fi
else
    echo "FAIL: the About window did not appear"; status=1
fi
# The About window closes itself after 10 s and the main window follows.
if wait_for 'Quorvel v1.1' 20; then
    sleep 0.5
    if gone 'Acerca de "Quorvel v1.1"'; then echo "About window gone"; else echo "FAIL: About still open"; status=1; fi
    echo "main window mapped"
    xwininfo -root -tree | grep -F '"Quorvel v1.1":'
    if command -v xdotool >/dev/null 2>&1; then
        # A person types a name into the box and keeps it with the four-sided figure ("Guardar" under it).
        main=$(xdotool search --onlyvisible --name '^Quorvel v1.1$' | head -n 1)
        xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true
        xdotool mousemove --window "$main" 307 103 click 1
        xdotool type --delay 50 'AbC'
        sleep 0.5
        xdotool mousemove --window "$main" 147 227 click 1
        # Until the save has been handled (the file holds a record), at most 15 seconds.
        tries=0
        until [ -s "$QUORVEL_DATA_DIR/QUORVEL.MDB" ] && python3 -c 'import sqlite3,sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
sys.exit(0 if db.execute("select count(*) from \"adreca i figura\"").fetchone()[0] else 1)' \
            "$QUORVEL_DATA_DIR/QUORVEL.MDB" 2>/dev/null; do
            tries=$((tries + 1))
            if [ "$tries" -ge 75 ]; then break; fi
            sleep 0.2
        done
        echo "typed a name and saved it"
    else
        echo "SKIPPED typing: xdotool is not installed"
    fi
    import -window root "$out/quorvel-main.png"
else
    echo "FAIL: the main window did not appear"; status=1
fi
if kill -0 "$pid" 2>/dev/null; then echo "program still running: right"; else echo "FAIL: the program ended"; status=1; fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
SESSION
sh "$work/session.sh" "$quorvel" "$out"
status=$?
[ -s "$out/quorvel-main.png" ] || { echo "FAIL: no screenshot of the main window"; status=1; }
# The name typed reached the favourites file, lower case, with its figure.
if command -v xdotool >/dev/null 2>&1 && command -v python3 >/dev/null 2>&1; then
    saved=$(python3 -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select Nom, Figura from \"adreca i figura\"").fetchall())' "$QUORVEL_DATA_DIR/QUORVEL.MDB" 2>&1)
    if [ "$saved" = "[('abc', 'r')]" ]; then echo "favourites hold $saved"; else echo "FAIL: favourites hold $saved"; status=1; fi
fi
echo "screenshots: $out/quorvel-about.png $out/quorvel-main.png"
exit $status
