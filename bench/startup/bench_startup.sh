#!/bin/sh
# Time from starting a program to its first window mapped on a virtual X server (polled with xwininfo), for
# quorvel (its About window) and for a bare Qt Widgets window measured the same way; then the peak memory of
# each, quorvel taken through the About window to its main window.
# Usage: bench_startup.sh <quorvel> <bench_bare_window> [runs]
set -u
quorvel=$(readlink -f "$1"); bare=$(readlink -f "$2"); runs="${3:-10}"
for program in "$quorvel" "$bare"; do
    [ -x "$program" ] || { echo "bench_startup: $program is not an executable"; exit 1; }
done
for tool in xvfb-run xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "bench_startup: $tool is missing (packages xvfb, x11-utils)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/etc" "$work/data" "$work/run"; chmod 700 "$work/run"
export QUORVEL_SYSTEM_DIR="$work/etc" QUORVEL_DATA_DIR="$work/data" XDG_RUNTIME_DIR="$work/run"
unset QT_QPA_PLATFORM

cat > "$work/measure.sh" <<'MEASURE'
#!/bin/sh
set -u
runs="$1"; quorvel="$2"; bare="$3"
now() { date +%s%N; }
# Starts a program and prints the milliseconds until a window of that title is mapped.
first_window() {
    title="$1"; shift
    start=$(now)
    "$@" >>programs.log 2>&1 &
    pid=$!
    until xwininfo -root -tree 2>/dev/null | grep -F "\"$title\":" >/dev/null; do
        sleep 0.002 # a breath for the X server between look-ups
        kill -0 "$pid" 2>/dev/null || { echo "bench_startup: $1 ended before showing '$title':" >&2; tail -n 5 programs.log >&2; exit 1; }
    done
    end=$(now)
    kill "$pid"; wait "$pid" 2>/dev/null
    echo $(( (end - start) / 1000000 ))
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
first_window 'Bare Qt window' "$bare" >/dev/null          # warm the caches once
first_window 'Acerca de "Quorvel v1.1"' "$quorvel" >/dev/null
: > bare.txt; : > quorvel.txt
i=0
while [ "$i" -lt "$runs" ]; do
    first_window 'Bare Qt window' "$bare" >> bare.txt
    first_window 'Acerca de "Quorvel v1.1"' "$quorvel" >> quorvel.txt
    i=$((i + 1))
done
b=$(median < bare.txt); q=$(median < quorvel.txt)
echo "first window mapped, median of $runs runs: quorvel $q ms, bare Qt window $b ms, ratio $(awk "BEGIN {printf \"%.2f\", $q / $b}")"
echo "  quorvel runs (ms): $(tr '\n' ' ' < quorvel.txt)"
echo "  bare runs (ms):    $(tr '\n' ' ' < bare.txt)"

# Peak memory: quorvel through its About window to the main window, the bare window once shown.
/usr/bin/time -f "%M" -o quorvel.rss "$quorvel" >/dev/null 2>&1 &
tpid=$!
until xwininfo -root -tree 2>/dev/null | grep -F '"Quorvel v1.1":' >/dev/null; do sleep 0.1; done
sleep 1
kill "$(pgrep -P "$tpid")"; wait "$tpid" 2>/dev/null
/usr/bin/time -f "%M" -o bare.rss "$bare" >/dev/null 2>&1 &
tpid=$!
until xwininfo -root -tree 2>/dev/null | grep -F '"Bare Qt window":' >/dev/null; do sleep 0.1; done
sleep 1
kill "$(pgrep -P "$tpid")"; wait "$tpid" 2>/dev/null
echo "peak memory (maximum resident set): quorvel $(tail -n 1 quorvel.rss | awk '{printf "%.1f", $1 / 1024}') MB (About window, then main window), bare Qt window $(tail -n 1 bare.rss | awk '{printf "%.1f", $1 / 1024}') MB"
MEASURE
cd "$work" && xvfb-run -a -s "-screen 0 1280x1024x24" sh "$work/measure.sh" "$runs" "$quorvel" "$bare"
