#!/usr/bin/env bash
# Builds the Debian package and checks it as a new user would meet it: its metadata and
# dependencies, the files it installs (the three programs and their manual pages), the desktop
# entry, and the installed programs started from the package's tree (--version and --help of
# all three, a headless --demo start of the app ended by SIGTERM, and the tool drawing a
# capture as SVG and PNG without a display).
# Usage: tools/check-package.sh [BUILD_DIR]   (default build; an existing build directory is used
# as it is configured, a new one is configured for Release without tests; the package lands there)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$BUILD" --target orvante2-scope orvante2-sensor orvante2-cli orvante2-icons \
    orvante2-manpages
(cd "$BUILD" && cpack -G DEB >/dev/null)
DEB=$(ls -t "$BUILD"/orvante2-scope_*.deb | head -1)
echo "package: $DEB"

fail() { echo "FAIL: $*" >&2; exit 1; }

ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT
dpkg-deb -x "$DEB" "$ROOT"

# Metadata.
[ "$(dpkg-deb -f "$DEB" Package)" = orvante2-scope ] || fail "package name"
[ "$(dpkg-deb -f "$DEB" Version)" = 1.3.0 ] || fail "version"
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
for p in libqt6widgets6 libqt6network6 libqt6serialport6 libqt6charts6 libqt6printsupport6 \
         libqt6uitools6 libqt6svg6 qt6-qpa-plugins; do
    grep -qw "$p" <<<"$DEPENDS" || fail "Depends lacks $p"
done

# The installed files.
for f in usr/bin/orvante2-scope usr/bin/orvante2-sensor usr/bin/orvante2-cli \
         usr/share/man/man1/orvante2-scope.1 usr/share/man/man1/orvante2-sensor.1 \
         usr/share/man/man1/orvante2-cli.1 \
         usr/share/orvante2-scope/language_eng.lwl usr/share/orvante2-scope/language_ger.lwl \
         usr/share/orvante2-scope/logoQX.bmp usr/share/applications/orvante2-scope.desktop \
         usr/share/icons/hicolor/scalable/apps/orvante2-scope.svg \
         usr/share/icons/hicolor/48x48/apps/orvante2-scope.png \
         usr/share/icons/hicolor/256x256/apps/orvante2-scope.png; do
    [ -s "$ROOT/$f" ] || fail "missing $f"
done

# Every Qt library the programs link comes from a package named in Depends (what those
# libraries load in turn comes with their own packages' dependencies).
for exe in orvante2-scope orvante2-sensor orvante2-cli; do
    LDD=$(ldd "$ROOT/usr/bin/$exe")
    grep -q "not found" <<<"$LDD" && fail "$exe: unresolved library"
    for name in $(readelf -d "$ROOT/usr/bin/$exe" | sed -n 's/.*NEEDED.*\[\(.*Qt6.*\)\]/\1/p'); do
        lib=$(awk -v n="$name" '$1 == n {print $3}' <<<"$LDD")
        pkg=$(dpkg -S "$(readlink -f "$lib")" 2>/dev/null | cut -d: -f1 | head -1)
        [ -n "$pkg" ] || continue
        grep -qw "$pkg" <<<"$DEPENDS" || fail "$exe loads $lib from $pkg, not in Depends"
    done
done

# The desktop entry.
DESKTOP="$ROOT/usr/share/applications/orvante2-scope.desktop"
grep -qx "Exec=orvante2-scope" "$DESKTOP" || fail "desktop Exec"
grep -qx "Icon=orvante2-scope" "$DESKTOP" || fail "desktop Icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$DESKTOP"
else
    echo "(desktop-file-validate not installed: only the keys were checked)"
fi

# The installed program runs from the package's tree.
EXE="$ROOT/usr/bin/orvante2-scope"
"$EXE" --version | grep -qx "orvante2-scope 1.3.0" || fail "--version"
"$EXE" --help | grep -q -- "--demo" || fail "--help"
for exe in orvante2-sensor orvante2-cli; do
    "$ROOT/usr/bin/$exe" --version | grep -qx "$exe 1.3.0" || fail "$exe --version"
done
CLI_HELP=$("$ROOT/usr/bin/orvante2-cli" --help)  # whole: grep -q would end the pipe early
grep -q -- "--json" <<<"$CLI_HELP" || fail "orvante2-cli --help"
# The manual pages are the programs' own help, readable by man.
for page in orvante2-scope orvante2-sensor orvante2-cli; do
    grep -q '^\.SH SYNOPSIS\|^\.SH DESCRIPTION' "$ROOT/usr/share/man/man1/$page.1" ||
        fail "$page.1 has no DESCRIPTION"
    if command -v man >/dev/null; then
        MANWIDTH=80 man -l "$ROOT/usr/share/man/man1/$page.1" 2>/dev/null | grep -q "$page" ||
            fail "man cannot show $page.1"
    fi
done
grep -q -- "--json" "$ROOT/usr/share/man/man1/orvante2-cli.1" || fail "orvante2-cli.1 lacks --json"
HOME_DIR="$ROOT/home"
mkdir -p "$HOME_DIR"
# A demo start: it connects to its own simulated sensor, finds its language files under
# share/, keeps its settings under the user's home (never beside the installed program) and
# ends cleanly on SIGTERM.
HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" QT_QPA_PLATFORM=offscreen \
    "$EXE" --demo >"$ROOT/demo.log" 2>&1 &
PID=$!
sleep 3
kill -0 "$PID" 2>/dev/null || { cat "$ROOT/demo.log"; fail "--demo did not keep running"; }
kill -TERM "$PID"
wait "$PID" || fail "--demo did not end cleanly on SIGTERM"
[ -s "$HOME_DIR/.config/orvante2-scope/PanelSettingsDemo.cfg" ] || fail "settings not in ~/.config"
ls "$ROOT/usr/bin" | grep -q cfg && fail "settings written beside the installed program"
grep -q '"V1.3' "$HOME_DIR/.config/orvante2-scope/PanelSettingsDemo.cfg" ||
    grep -q 'Panel Settings' "$HOME_DIR/.config/orvante2-scope/PanelSettingsDemo.cfg" ||
    fail "settings file content"
# The installed tool draws a capture as SVG and PNG without a display: one capture from the
# installed simulator, then the file converted on its own.
PORT=$((20000 + RANDOM % 20000))
"$ROOT/usr/bin/orvante2-sensor" --port "$PORT" >"$ROOT/sensor.log" 2>&1 &
SIM=$!
sleep 1
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$HOME_DIR" \
    "$ROOT/usr/bin/orvante2-cli" --tcp "127.0.0.1:$PORT" --settings-dir "$HOME_DIR" \
    scope --save "$ROOT/cap.ini" >/dev/null || { kill "$SIM"; fail "scope --save"; }
kill "$SIM"
wait "$SIM" 2>/dev/null || true
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$HOME_DIR" \
    "$ROOT/usr/bin/orvante2-cli" scope --load "$ROOT/cap.ini" --svg "$ROOT/cap.svg" \
    --png "$ROOT/cap.png" >/dev/null || fail "scope --load --svg --png"
grep -q "<svg" "$ROOT/cap.svg" || fail "scope --svg wrote no SVG"
[ "$(head -c 8 "$ROOT/cap.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "scope --png wrote no PNG"
echo "package OK: $DEB"
