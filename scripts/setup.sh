#!/usr/bin/env bash
# Installs what building, testing and (optionally) screenshots need, only where missing.
set -euo pipefail
pkgs=(build-essential cmake libgtest-dev libbenchmark-dev qt6-base-dev qt6-base-private-dev qt6-svg-dev
      libsdl2-mixer-dev libfluidsynth-dev libxcb1-dev timgm6mb-soundfont fonts-liberation
      # The desktops the tests run the game on: X11 under three window managers, a Wayland compositor,
      # and a sound server that can be stopped and started again.
      xvfb x11-utils openbox fluxbox icewm weston qt6-wayland pulseaudio pulseaudio-utils)
if [ "${1:-}" = "--with-fuzz" ]; then pkgs+=(clang libclang-rt-14-dev); fi
if [ "${1:-}" = "--with-shots" ]; then pkgs+=(xdotool imagemagick); fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update </dev/null
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
