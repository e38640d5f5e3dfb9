#!/usr/bin/env bash
# Installs, from Debian's packages, whatever of the build and test dependencies is missing.
# Safe to run again: with everything present it touches nothing and needs no network.
set -euo pipefail

packages=(
    cmake g++ ninja-build pkg-config
    qt6-base-dev libxrandr-dev libdbus-1-dev libgtest-dev libbenchmark-dev
    libwayland-dev libwayland-bin qt6-wayland
    xvfb openbox trayer xdotool x11-utils x11-xserver-utils imagemagick sway
    xserver-xorg-core xserver-xorg-video-dummy dbus mutter
    fonts-wqy-microhei
    g++-mingw-w64-x86-64-posix wine64 python3 libxxf86vm1 nsis
    desktop-file-utils appstream man-db groff-base dpkg-dev file lintian
    zsh fish
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
