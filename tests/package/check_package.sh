#!/usr/bin/env bash
# check_package.sh <build dir> <source dir>
# Fails unless `cmake --install` and the .deb both hold the two programs, the
# desktop entry and every hicolor icon size, and the desktop entry validates.
set -euo pipefail
build="$1"
src="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

expected=(
    usr/bin/kestrune
    usr/bin/kestrune-sim
    usr/share/applications/kestrune.desktop
    usr/share/icons/hicolor/16x16/apps/kestrune.png
    usr/share/icons/hicolor/32x32/apps/kestrune.png
    usr/share/icons/hicolor/48x48/apps/kestrune.png
    usr/share/icons/hicolor/64x64/apps/kestrune.png
    usr/share/icons/hicolor/128x128/apps/kestrune.png
    usr/share/doc/kestrune/copyright
)
status=0

desktop-file-validate "$src/Res/kestrune.desktop"

cmake --install "$build" --prefix "$work/root/usr" >/dev/null
for f in "${expected[@]}"; do
    if [ ! -f "$work/root/$f" ]; then
        echo "install: missing $f"
        status=1
    fi
done
for f in usr/bin/kestrune usr/bin/kestrune-sim; do
    [ -x "$work/root/$f" ] || { echo "install: $f is not executable"; status=1; }
done
"$work/root/usr/bin/kestrune-sim" --version | grep -q "1.0.0.0" \
    || { echo "installed kestrune-sim does not report 1.0.0.0"; status=1; }

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) \
    || { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$work"/package/kestrune_*.deb)"
contents="$(dpkg-deb -c "$deb")"
echo "$contents"
for f in "${expected[@]}"; do
    if ! grep -q " \./$f\$" <<<"$contents"; then
        echo "package: missing $f"
        status=1
    fi
done
[ "$(dpkg-deb -f "$deb" Package)" = kestrune ] || { echo "package name"; status=1; }
[ "$(dpkg-deb -f "$deb" Version)" = 1.0.0.0 ] || { echo "package version"; status=1; }
dpkg-deb -f "$deb" Depends | grep -q libqwt \
    || { echo "package does not depend on Qwt"; status=1; }

exit $status
