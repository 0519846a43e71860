#!/bin/sh
# Time from starting a program to its first top-level window mapped on a virtual X server, for quorvel (its
# About window) and for a bare Qt Widgets window, alternating, measured with map events on the root window
# (bench_first_map); once inside a D-Bus session as on a desktop, once without. Then the peak memory of
# quorvel through its About window to its main window, and of the bare window.
# With QUORVEL_BASELINE naming the quorvel of an earlier build, that one is measured in the same session beside
# the bare window and head to head with this one.
# Usage: [QUORVEL_BASELINE=<earlier quorvel>] bench_startup.sh <quorvel> <bench_bare_window> <bench_first_map> [runs]
set -u
quorvel=$(readlink -f "$1"); bare=$(readlink -f "$2"); first_map=$(readlink -f "$3"); runs="${4:-15}"
baseline=${QUORVEL_BASELINE:+$(readlink -f "$QUORVEL_BASELINE")}
for program in "$quorvel" "$bare" "$first_map" $baseline; do
    [ -x "$program" ] || { echo "bench_startup: $program is not an executable"; exit 1; }
done
for tool in xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null 2>&1 || { echo "bench_startup: $tool is missing (packages xvfb, dbus)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/etc" "$work/data" "$work/run"; chmod 700 "$work/run"
export QUORVEL_SYSTEM_DIR="$work/etc" QUORVEL_DATA_DIR="$work/data" XDG_RUNTIME_DIR="$work/run"
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
# The programs are named in the figures by their file names; the links keep the two builds apart.
mkdir "$work/bin"
ln -s "$quorvel" "$work/bin/quorvel"
quorvel="$work/bin/quorvel"
if [ -n "$baseline" ]; then
    ln -s "$baseline" "$work/bin/quorvel-earlier"
    baseline="$work/bin/quorvel-earlier"
fi

cat > "$work/measure.sh" <<MEASURE
#!/bin/sh
set -u
"$first_map" hold & holder=\$!
trap 'kill \$holder' EXIT
compare() { # how to start them; then quorvel beside the bare window, and beside the earlier build if given
    "\$@" "$first_map" time "$runs" "$quorvel" "$bare"
    if [ -n "$baseline" ]; then
        "\$@" "$first_map" time "$runs" "$baseline" "$bare"
        "\$@" "$first_map" time "$runs" "$quorvel" "$baseline"
    fi
}
echo "With a D-Bus session:"
compare dbus-run-session --
echo "Without a D-Bus session:"
compare env -u DBUS_SESSION_BUS_ADDRESS
# The About window closes by itself after 10 s; the main window then appears, and is measured a second later.
q=\$("$first_map" memory "Quorvel v1.1" 1 "$quorvel")
b=\$("$first_map" memory "Bare Qt window" 1 "$bare")
echo "peak memory (maximum resident set): quorvel \$q MB (About window, then main window), bare Qt window \$b MB"
if [ -n "$baseline" ]; then
    echo "peak memory of the earlier build: \$("$first_map" memory "Quorvel v1.1" 1 "$baseline") MB"
fi
MEASURE
cd "$work" && xvfb-run -a -s "-screen 0 1280x1024x24" sh "$work/measure.sh"
