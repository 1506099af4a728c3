#!/usr/bin/env bash
# Installs the Debian packages the program needs to build, run and be tested.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6svg6 libqt6opengl6-dev libxkbcommon-dev libgl-dev libvulkan-dev
  libsqlcipher-dev libgsf-1-dev libzint-dev
  fonts-noto-cjk qt6-translations-l10n
  xvfb xauth openbox xdotool poppler-utils libx11-dev
  python3 python3-xlrd python3-xlwt
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
