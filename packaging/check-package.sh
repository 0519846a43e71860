#!/bin/bash
# Builds the Debian package and checks it the way a user and an administrator meet it:
#   1. a Release build in build-pkg (prefix /usr, Debian's hardening flags), `cpack -G DEB`;
#   2. lintian: any error (E:) fails the check, warnings are shown;
#   3. the package's contents, its desktop entry (desktop-file-validate) and its AppStream metainfo
#      (appstreamcli validate --no-net);
#   4. the installed program: `quorvel --set-language`, the settings file, and a real start under Xvfb with
#      openbox as a user without privileges: the About window of the stored language appears, then the main
#      window; with xdotool present, Ctrl+F opens the favourites window, whose database file appears in the
#      user's data folder, and F1 there opens the help.
# With CI=true (a throwaway machine, run as root) step 4 installs the package for real with apt-get, the
# language given as QUORVEL_LANGUAGE=en, and purges it afterwards. Otherwise it works on a copy extracted with
# dpkg-deb -x and a temporary settings folder (QUORVEL_SYSTEM_DIR): the machine is left as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build_dir=${QUORVEL_PKG_BUILD_DIR:-$source_dir/build-pkg}

say() { printf '%s\n' "$*"; }
fail() {
    printf 'check-package: %s\n' "$*" >&2
    exit 1
}

work=$(mktemp -d)
installed_here=no
cleanup() {
    if [ "$installed_here" = yes ]; then
        dpkg --purge quorvel >/dev/null 2>&1 || true
    fi
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# --- 1. Build and package ---------------------------------------------------------------------------------
cxxflags=""
ldflags=""
if command -v dpkg-buildflags >/dev/null; then
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
    ldflags="$(dpkg-buildflags --get LDFLAGS)"
fi
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" >/dev/null
# The build's output goes to a log beside it; only a failure shows it.
cmake --build "$build_dir" >"$build_dir/package-build.log" 2>&1 || {
    tail -60 "$build_dir/package-build.log"
    fail "the Release build failed (full output in $build_dir/package-build.log)"
}
say "release build: $(grep -c 'warning:' "$build_dir/package-build.log" || true) compiler warnings in what was" \
    "rebuilt this time (output in $build_dir/package-build.log)"
rm -f "$build_dir"/quorvel_*.deb
(cd "$build_dir" && cpack -G DEB) >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack could not build the package"
}
deb=$(ls "$build_dir"/quorvel_*.deb)
say "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"

# --- 2. lintian ---------------------------------------------------------------------------------------------
# lintian complains about being run as root but works; its own exit status also counts warnings, so the
# tags are judged here.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
grep -v '^running with root privileges' "$work/lintian.log" || true
errors=$(grep -c '^E:' "$work/lintian.log" || true)
warnings=$(grep -c '^W:' "$work/lintian.log" || true)
say "lintian: $errors errors, $warnings warnings"
[ "$errors" -eq 0 ] || fail "lintian reports errors"

# --- 3. Contents, desktop entry, metainfo -----------------------------------------------------------------
# Qt's Spanish texts for the standard dialogs, GIO opened at run time, and Qt's Wayland plugin recommended.
for needed in qt6-translations-l10n libglib2.0-0 libmdb3; do
    dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -qw "$needed" || fail "the package does not depend on $needed"
done
dpkg-deb -f "$deb" Recommends | tr ',' '\n' | grep -qw qt6-wayland || fail "the package does not recommend qt6-wayland"
extracted=$work/root
dpkg-deb -x "$deb" "$extracted"
app_id=com.quorvel.Quorvel
private=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/quorvel
for f in usr/bin/quorvel usr/bin/quorvel-code usr/bin/quorvel-favourites $private/quorvel-features.so \
    $private/libquorvel-core.so $private/libquorvel-launch.so $private/libquorvel-common.so \
    $private/quorvel-access-reader \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/32x32/apps/$app_id.png usr/share/icons/hicolor/48x48/apps/$app_id.png \
    usr/share/icons/hicolor/128x128/apps/$app_id.png usr/share/icons/hicolor/scalable/apps/$app_id.svg \
    usr/share/man/man1/quorvel.1.gz usr/share/man/man1/quorvel-code.1.gz usr/share/man/man1/quorvel-favourites.1.gz \
    usr/share/doc/quorvel/copyright usr/share/doc/quorvel/changelog.gz \
    usr/share/doc/quorvel/help/es/index.html usr/share/doc/quorvel/help/en/index.html; do
    [ -e "$extracted/$f" ] || fail "the package lacks /$f"
done
for size in 32 48 128; do
    actual=$(identify -format '%wx%h' "$extracted/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
    [ "$actual" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $actual"
done
if file "$extracted/usr/bin/quorvel" | grep -q 'not stripped'; then
    fail "/usr/bin/quorvel is not stripped"
fi

validate_desktop_files() { # $1: the root the files are installed under
    desktop-file-validate "$1/usr/share/applications/$app_id.desktop"
    appstreamcli validate --no-net --pedantic "$1/usr/share/metainfo/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
        {
            cat "$work/appstream.log"
            fail "appstreamcli rejects the metainfo"
        }
    say "desktop entry and metainfo valid ($(tail -1 "$work/appstream.log"))"
}

# --- 4. The installed program --------------------------------------------------------------------------------
# The value of key Inici in the settings file, or nothing.
setting_in() { sed -n 's/^[[:space:]]*[Ii][Nn][Ii][Cc][Ii][[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1/p' "$1" 2>/dev/null; }

check_set_language() { # $1: the program, $2: the settings file it writes
    "$1" --set-language es >/dev/null || fail "quorvel --set-language es failed"
    [ "$(setting_in "$2")" = Espanyol ] || fail "--set-language es did not store Espanyol in $2"
    if "$1" --set-language xx >/dev/null 2>&1; then
        fail "quorvel --set-language xx was accepted"
    fi
    [ "$(setting_in "$2")" = Espanyol ] || fail "a refused --set-language changed $2"
    "$1" --set-language en >/dev/null || fail "quorvel --set-language en failed"
    [ "$(setting_in "$2")" = Angles ] || fail "--set-language en did not store Angles in $2"
    say "quorvel --set-language: es, en stored in $2; an unknown code refused"
}

# Starts the program under Xvfb as a user without privileges and follows it from window to window.
# $1: the program. The environment (QUORVEL_SYSTEM_DIR) passes through. The English edition is expected.
check_desktop_session() {
    local program=$1 home=$work/home
    mkdir -p "$home"
    cat >"$work/session.sh" <<'EOF'
#!/bin/bash
# Runs inside xvfb-run. Writes one line per step reached to $RESULTS.
program=$1
"$(dirname "$0")/start-openbox.sh" || exit 1
"$program" >"$HOME/quorvel.log" 2>&1 &
pid=$!
# wait_window TITLE SECONDS: the id of a top-level window of that exact title, once it exists.
wait_window() {
    local i id
    for ((i = 0; i < $2 * 4; i++)); do
        id=$(xwininfo -root -tree | grep -F "\"$1\":" | head -1 | awk '{print $1}')
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.25
    done
    return 1
}
if wait_window 'About "Quorvel v1.1"' 10 >/dev/null; then
    echo about >>"$RESULTS"
    # The About window closes itself after 10 seconds and the main window of the same edition opens.
    if main=$(wait_window 'Quorvel v1.1' 15); then
        echo main >>"$RESULTS"
        if command -v xdotool >/dev/null; then
            xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
            sleep 0.5
            # Type a name into the name box and press the save command of the polygons of four sides
            # (positions inside the window: the menu bar, then the controls at their places).
            xdotool mousemove --window "$main" 307 103 click 1
            xdotool type --delay 50 abc
            xdotool mousemove --window "$main" 147 227 click 1
            sleep 1
            xdotool key ctrl+f
            if favourites=$(wait_window 'Favorites' 5); then
                echo favourites >>"$RESULTS"
                xdotool windowactivate --sync "$favourites" >/dev/null 2>&1 || true
                sleep 0.5
                xdotool key F1
                wait_window 'Quorvel Help' 5 >/dev/null && echo help >>"$RESULTS"
            fi
        fi
    fi
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
EOF
    chmod 755 "$work/session.sh"
    install -m 755 "$source_dir/scripts/start-openbox.sh" "$work/start-openbox.sh"
    local results=$work/results
    : >"$results"
    local -a as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        # As root every folder is writable; a person runs the program as an ordinary user.
        chown nobody "$home" "$results"
        as_user=(runuser -u nobody --)
    fi
    chmod 755 "$work"
    "${as_user[@]}" env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
        XDG_RUNTIME_DIR= RESULTS="$results" QUORVEL_SYSTEM_DIR="${QUORVEL_SYSTEM_DIR:-}" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" "$program" || true
    grep -qx about "$results" || fail "the About window (English edition) did not appear"
    grep -qx main "$results" || fail "the main window did not follow the About window"
    say "desktop session: the English About window appeared, then the main window"
    if command -v xdotool >/dev/null; then
        grep -qx favourites "$results" || fail "Ctrl+F did not open the favourites window"
        local database=$home/.local/share/quorvel/QUORVEL.MDB
        [ -f "$database" ] || fail "saving a favourite did not create $database (the user's data folder)"
        grep -qx help "$results" || fail "F1 in the favourites window did not open the help"
        say "desktop session: a name saved from the main window into ~/.local/share/quorvel/QUORVEL.MDB," \
        "the favourites window, the help on F1"
    else
        say "desktop session: xdotool is missing, the favourites and help steps were skipped"
    fi
}

if [ "${CI:-}" = "true" ] && [ "$(id -u)" -eq 0 ] && ! dpkg-query -W -f='${Status}' quorvel 2>/dev/null | grep -q 'ok installed'; then
    say "installing the package for real (CI)"
    installed_here=yes
    DEBIAN_FRONTEND=noninteractive QUORVEL_LANGUAGE=en apt-get install -y -qq --no-install-recommends "$deb" \
        >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log"
        fail "apt-get could not install the package"
    }
    [ "$(setting_in /etc/quorvel.ini)" = Angles ] ||
        fail "installing with QUORVEL_LANGUAGE=en did not store Angles in /etc/quorvel.ini"
    say "installation: QUORVEL_LANGUAGE=en stored Angles in /etc/quorvel.ini"
    validate_desktop_files /
    check_set_language quorvel /etc/quorvel.ini
    # Reconfiguring offers the language kept in the file, so a change made with --set-language survives it.
    quorvel --set-language es >/dev/null
    DEBIAN_FRONTEND=noninteractive dpkg-reconfigure quorvel >/dev/null 2>&1 || fail "dpkg-reconfigure quorvel failed"
    [ "$(setting_in /etc/quorvel.ini)" = Espanyol ] || fail "dpkg-reconfigure lost the language kept in the file"
    debconf-show quorvel | grep -q 'quorvel/language: es' || fail "debconf does not know the kept language"
    quorvel --set-language en >/dev/null
    say "dpkg-reconfigure: the language kept in /etc/quorvel.ini is the answer offered and kept"
    # Without QUORVEL_SYSTEM_DIR the program reads /etc/quorvel.ini.
    unset QUORVEL_SYSTEM_DIR
    check_desktop_session /usr/bin/quorvel
    dpkg --purge quorvel >/dev/null
    installed_here=no
    [ ! -e /usr/bin/quorvel ] || fail "/usr/bin/quorvel is still there after the purge"
    [ ! -e /etc/quorvel.ini ] || fail "/etc/quorvel.ini is still there after the purge"
    say "purge: the program and /etc/quorvel.ini are gone"
else
    say "checking an extracted copy (set CI=true as root on a throwaway machine to install it for real)"
    validate_desktop_files "$extracted"
    mkdir -p "$work/etc"
    export QUORVEL_SYSTEM_DIR=$work/etc
    check_set_language "$extracted/usr/bin/quorvel" "$work/etc/quorvel.ini"
    chmod 755 "$work/etc" && chmod 644 "$work/etc/quorvel.ini"
    # Like /usr/bin, the copy's folder is not writable by the user, so the favourites go to the data folder.
    chmod -R a-w "$extracted/usr"
    check_desktop_session "$extracted/usr/bin/quorvel"
fi
say "package checks passed"
