#!/usr/bin/env bash
# check_package.sh <build dir> <source dir>
# Fails unless `cmake --install` and the .deb both hold the two programs, their
# man pages, the desktop entry, every hicolor icon size, the AppStream
# metadata, the Debian changelog and copyright and the Python package where
# it is built; the desktop entry and the
# metadata validate, and lintian reports no error and no warning on the .deb.
set -euo pipefail
build="$1"
src="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

expected=(
    usr/bin/kestrune
    usr/bin/kestrune-sim
    usr/share/applications/org.example.kestrune.desktop
    usr/share/metainfo/org.example.kestrune.metainfo.xml
    usr/share/man/man1/kestrune.1.gz
    usr/share/man/man1/kestrune-sim.1.gz
    usr/share/icons/hicolor/16x16/apps/kestrune.png
    usr/share/icons/hicolor/32x32/apps/kestrune.png
    usr/share/icons/hicolor/48x48/apps/kestrune.png
    usr/share/icons/hicolor/64x64/apps/kestrune.png
    usr/share/icons/hicolor/128x128/apps/kestrune.png
    usr/share/doc/kestrune/copyright
    usr/share/doc/kestrune/changelog.Debian.gz
    usr/share/lintian/overrides/kestrune
)
# The Python package, where the build made it.
python_module=
if [ -d "$build/python/kestrune" ]; then
    python_module="$(cd "$build/python/kestrune" && ls _kestrune.*.so)"
    expected+=(
        usr/lib/python3/dist-packages/kestrune/__init__.py
        usr/lib/python3/dist-packages/kestrune/distributed.py
        "usr/lib/python3/dist-packages/kestrune/$python_module"
    )
fi
status=0

desktop-file-validate "$src/Res/org.example.kestrune.desktop"

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
for f in "${expected[@]}"; do
    if [ ! -f "$work/root/$f" ]; then
        echo "install: missing $f"
        status=1
    fi
done
for f in usr/bin/kestrune usr/bin/kestrune-sim; do
    [ -x "$work/root/$f" ] || { echo "install: $f is not executable"; status=1; }
done
# The metadata on its own, then with the desktop entry it launches.
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.kestrune.metainfo.xml" \
    || { echo "the AppStream metadata does not validate"; status=1; }
appstreamcli validate-tree --no-net "$work/root" \
    || { echo "the installed tree's AppStream data does not validate"; status=1; }
head -n 1 "$work/root/usr/share/doc/kestrune/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    || { echo "the copyright file is not in the machine-readable format"; status=1; }
if [ -n "$python_module" ]; then
    # Under any other prefix, in the dist-packages of the interpreter's
    # version, which Debian's Python reads under /usr/local.
    version="$(/usr/bin/python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')"
    cmake --install "$build" --prefix "$work/local" >/dev/null
    [ -f "$work/local/lib/python$version/dist-packages/kestrune/$python_module" ] \
        || { echo "install: the Python package is not in lib/python$version/dist-packages"; status=1; }
    # The installed package on its own, as Debian's interpreter finds it.
    (cd "$work" && PYTHONPATH="$work/root/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import kestrune, sys
assert kestrune.__file__.startswith(sys.argv[1]), kestrune.__file__
assert len(kestrune.run(time=1).t) == int(sys.argv[2]) - 1' "$work/root/" \
        "$("$work/root/usr/bin/kestrune-sim" --time 1 | wc -l)") \
        || { echo "installed Python package does not run"; status=1; }
fi
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
[ "$(dpkg-deb -f "$deb" Version)" = 1.0.0.0-1 ] || { echo "package version"; status=1; }
dpkg-deb -f "$deb" Depends | grep -q libqwt \
    || { echo "package does not depend on Qwt"; status=1; }
if [ -n "$python_module" ]; then
    dpkg-deb -f "$deb" Depends | grep -q python3-numpy \
        || { echo "package does not depend on numpy"; status=1; }
fi

# Any E: or W: fails, as does lintian failing to run; overridden tags (O:)
# and information (I:) do not.
lintian --fail-on error,warning "$deb" || { echo "lintian: errors or warnings, or no run"; status=1; }

exit $status
