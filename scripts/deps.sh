#!/usr/bin/env bash
# Installs, from Debian's archive, whatever Tavrek needs to build, run and test that is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 qt6-qpa-plugins
  libgl-dev libglx-dev libopengl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fontconfig
  mdbtools mdbtools-dev
  clang libclang-rt-14-dev
  xvfb xauth
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  librsvg2-bin desktop-file-utils appstream shared-mime-info man-db file dpkg-dev python3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi
