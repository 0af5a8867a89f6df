#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running
# Kestrune need, and only those that are missing.
#
# As root it calls apt-get itself; as any other user it prints the exact
# apt-get line to run and fails, so that a build never starts half-equipped.
set -euo pipefail

packages=(
    build-essential
    cmake
    pkg-config
    qtbase5-dev
    qtbase5-dev-tools
    qtmultimedia5-dev
    libqt5multimedia5-plugins
    libqwt-qt5-dev
    libqt5svg5-dev
    libqt5opengl5-dev
    libnlopt-cxx-dev
    libbenchmark-dev
    xvfb
    xauth
    xdotool
    openbox
    x11-utils
    imagemagick
    librsvg2-bin
    poppler-utils
    icoutils
    fonts-dejavu-core
    fonts-liberation2
    desktop-file-utils
    dpkg-dev
    file
    lintian
    appstream
    pybind11-dev
    python3-dev
    python3-numpy
    python3-pytest
    python3-distributed
    python3-matplotlib
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    if [ "$status" != "installed" ]; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "    sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
