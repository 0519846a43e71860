#!/bin/sh
# quorvel --set-language es|en stores the start language in the settings file and exits, with no display;
# it says clearly when it cannot write and exits with a non-zero status.
set -u
quorvel="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb # a display would be needed if the option started the windowed program
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

export QUORVEL_SYSTEM_DIR="$work"
out=$("$quorvel" --set-language en 2>&1); status=$?
[ "$status" -eq 0 ] || fail "en: status $status ($out)"
[ "$(od -c < "$work/quorvel.ini")" = "$(printf '[Idioma]\nInici=Angles\n' | od -c)" ] ||
    fail "en: file holds $(cat "$work/quorvel.ini")"

# A file whose last line lacks its line break still ends with one once the value is replaced.
printf '[Idioma]\nInici=Espanyol' > "$work/quorvel.ini"
out=$("$quorvel" --set-language en 2>&1); status=$?
[ "$status" -eq 0 ] || fail "en, no final line break: status $status ($out)"
[ "$(od -c < "$work/quorvel.ini")" = "$(printf '[Idioma]\nInici=Angles\n' | od -c)" ] ||
    fail "en, no final line break: file holds $(od -c < "$work/quorvel.ini")"

printf '; keep me\r\n[Idioma]\r\nInici=Angles\r\n[Other]\r\nx=1\r\n' > "$work/quorvel.ini"
out=$("$quorvel" --set-language es 2>&1); status=$?
[ "$status" -eq 0 ] || fail "es: status $status ($out)"
expected=$(printf '; keep me\r\n[Idioma]\r\nInici=Espanyol\r\n[Other]\r\nx=1\r\n' | od -c)
[ "$(od -c < "$work/quorvel.ini")" = "$expected" ] || fail "es: other lines not kept"

before=$(od -c < "$work/quorvel.ini")
out=$("$quorvel" --set-language fr 2>&1); status=$?
[ "$status" -eq 2 ] || fail "fr: status $status"
echo "$out" | grep -q "fr" || fail "fr: message does not name the code: $out"
[ "$(od -c < "$work/quorvel.ini")" = "$before" ] || fail "fr: file changed"

out=$("$quorvel" --set-language 2>&1); status=$?
[ "$status" -eq 2 ] || fail "no code: status $status"

export QUORVEL_SYSTEM_DIR="$work/missing"
out=$("$quorvel" --set-language en 2>&1); status=$?
[ "$status" -eq 1 ] || fail "unwritable: status $status"
echo "$out" | grep -q "cannot write the settings file $work/missing/quorvel.ini" || fail "unwritable: message: $out"
[ ! -e "$work/missing" ] || fail "unwritable: folder created"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "set-language: all checks passed"
