#!/usr/bin/env bash
# Installs the Debian packages Blipnote needs to build, test and run, skipping
# those already present. Works as root or through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-multimedia-dev libqt6sql6-sqlite libgl-dev fonts-liberation2
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-format clang-tidy finger valgrind scdoc groff-base dpkg-dev iproute2
    dbus-daemon xvfb xdotool dunst trayer avahi-daemon
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
