#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-dev libtiff-dev libpng-dev zlib1g-dev libexif-dev clang
  qt6-base-dev libqt6opengl6-dev qt6-l10n-tools libglu1-mesa-dev libgl1-mesa-dri
  xvfb xauth poppler-utils python3
  dpkg-dev file man-db desktop-file-utils appstream
  libeigen3-dev qt6-translations-l10n fonts-ipafont-gothic xdotool
  qt6-tools-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
