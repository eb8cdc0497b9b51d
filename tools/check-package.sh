#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with CPack and checks it without installing it on this machine:
# - the control data names Debian 12 dependencies (Qt 6, libmodbus, libnova);
# - the description reads as written (no line of it starts with ";") and names both transports;
# - the package holds the program, the two tools, the data files, the desktop file, the icon and the
#   copyright file (GPL-3.0-or-later), and no empty folder;
# - unpacked into a throw-away root, the program answers --version, and started offscreen from an
#   unrelated working directory it finds cntmap.bmp and the help pages under share/ and keeps its
#   settings in $XDG_CONFIG_HOME/azelmon/.
# Usage: bash tools/check-package.sh [build-folder]     (default: build-package; needs the build deps)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-package}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: FAIL: $*" >&2; exit 1; }

quiet() { "$@" >"$work/log" 2>&1 || { tail -n 40 "$work/log"; fail "$1 failed"; }; }
# A new build folder gets a release build without tests; an existing one keeps its choices but must
# install into /usr, where the package puts its files.
if [ -f "$build/CMakeCache.txt" ]; then
    quiet cmake -S "$here" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr
else
    quiet cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
          -DAZELMON_BUILD_TESTS=OFF
fi
quiet ninja -C "$build" -j2 azelmon boardsim azelmon-tracker
rm -f "$build"/azelmon_*.deb
(cd "$build" && quiet cpack -G DEB)
deb="$(ls "$build"/azelmon_*.deb | head -n1)"
[ -f "$deb" ] || fail "cpack made no .deb"
echo "package: $deb"

# Control data: name, architecture and the shared-library dependencies.
info="$(dpkg-deb -I "$deb")"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6dbus6 libqt6multimedia6 libqt6network6 libmodbus5 libnova-0.16-0 libc6 libstdc++6; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib"
done
grep -q '^ Architecture: amd64\|^ Architecture: arm64' <<<"$info" || fail "no binary architecture in control"
description="$(dpkg-deb -f "$deb" Description)"
! grep -q '^ *;' <<<"$description" || fail "a description line starts with ';': $(grep '^ *;' <<<"$description" | head -n1)"
grep -q 'TCP' <<<"$description" && grep -q 'RTU' <<<"$description" || fail "the description does not name TCP and RTU"

# Contents.
root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/share/azelmon/azelmon.csv usr/bin/azelmon usr/bin/azelmon-tracker usr/bin/azelmon-boardsim \
         usr/share/azelmon/cntmap.bmp usr/share/azelmon/sound2.wav usr/share/azelmon/sound3.wav \
         usr/share/azelmon/help/index.html usr/share/applications/azelmon.desktop \
         usr/share/icons/hicolor/scalable/apps/azelmon.svg usr/share/icons/hicolor/48x48/apps/azelmon.png \
         usr/share/dbus-1/services/dde.ORBI.service usr/share/azelmon/demo.tle usr/share/doc/azelmon/copyright; do
    [ -e "$root/$f" ] || fail "package lacks /$f"
done
grep -q '^License: GPL-3.0-or-later' "$root/usr/share/doc/azelmon/copyright" || fail "copyright file names no GPL-3.0-or-later"
empty="$(cd "$root" && find . -type d -empty)"
[ -z "$empty" ] || fail "package holds empty folders: $empty"
[ -z "$(find "$root" -name 'test_*' -o -name '*.a')" ] || fail "package carries test programs or static libraries"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/azelmon.desktop" || fail "desktop file invalid"
fi

# The unpacked program: --version.
bin="$root/usr/bin/azelmon"
version="$(QT_QPA_PLATFORM=offscreen "$bin" --version)"
grep -q "azelmon" <<<"$version" || fail "--version printed '$version'"
echo "version: $version"
"$root/usr/bin/azelmon-tracker" --help >/dev/null || fail "azelmon-tracker --help"
"$root/usr/bin/azelmon-boardsim" --help >/dev/null || fail "azelmon-boardsim --help"

# A short offscreen start from an unrelated folder, as an ordinary user (root could write beside the
# program in an unpacked tree; a user never can), with the packaged tracker on a private session
# bus. The files the program opens are traced, so the check sees where each one came from.
run="$work/cwd"
home="$work/home"
mkdir -p "$run" "$home/.config" "$work/xdg-runtime"
chmod 700 "$work/xdg-runtime"
chmod 755 "$work"
user_cmd=()
if [ "$(id -u)" = 0 ]; then
    chown -R nobody "$run" "$home" "$work/xdg-runtime"
    user_cmd=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
trace=()
command -v strace >/dev/null && trace=(strace -f -qq -e trace=%file -o "$work/trace")
(
    cd "$run"
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/xdg-runtime"
    unset AZELMON_CONFIG_DIR DBUS_SESSION_BUS_ADDRESS DISPLAY
    export QT_QPA_PLATFORM=offscreen AZELMON_INSTANCE_NAME="azelmon-pkgcheck-$$"
    exec timeout -s KILL 40 "${trace[@]}" "${user_cmd[@]}" dbus-run-session -- bash -c '
        "$1/azelmon-tracker" --freeze &
        sleep 1
        exec "$1/azelmon" --board sim' unused "$root/usr/bin"
) >"$work/out" 2>&1 &
pid=$!
sleep 6
# SIGTERM to the program itself: it ends the orderly way (relays off) and dbus-run-session follows.
for p in $(pgrep -f "^$root/usr/bin/azelmon" || true); do kill -TERM "$p" 2>/dev/null || true; done
sleep 1
pkill -TERM -f "^$root/usr/bin/azelmon-tracker" 2>/dev/null || true
wait "$pid" || true
[ -d "$home/.config/azelmon" ] || { cat "$work/out"; fail "\$XDG_CONFIG_HOME/azelmon/ was not created"; }
[ ! -e "$root/usr/bin/rotorcfg.ini" ] || fail "settings written beside the program"
[ -f "$home/.config/azelmon/rotorcfg.ini" ] || fail "the first start left no rotorcfg.ini to edit"
if grep -q '"地図の画像ファイル\|が見つかりません' "$work/out"; then cat "$work/out"; fail "the program reported a missing file"; fi
if [ -f "$work/trace" ]; then
    grep -q "\"$home/.config/azelmon/rotorcfg.ini\"" "$work/trace" \
        || { cat "$work/out"; grep rotorcfg "$work/trace"; fail "settings not looked for in \$XDG_CONFIG_HOME/azelmon/"; }
    ! grep 'rotorcfg.ini' "$work/trace" | grep -v "$home/.config/azelmon/rotorcfg.ini" | grep -q . \
        || fail "settings looked for elsewhere: $(grep rotorcfg.ini "$work/trace" | head -n3)"
    opened="$(grep -o '"[^"]*share/azelmon/cntmap.bmp", O_RDONLY[^=]*= [0-9][0-9]*' "$work/trace" | head -n1)"
    [ -n "$opened" ] || { grep cntmap "$work/trace" || true; fail "cntmap.bmp not opened from share/azelmon"; }
    echo "map picture: $opened"
    echo "settings: \$XDG_CONFIG_HOME/azelmon/rotorcfg.ini"
else
    echo "strace not installed: where the files came from is not checked"
fi
echo "check-package: OK"
