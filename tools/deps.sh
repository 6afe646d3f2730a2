#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when any is missing.
set -euo pipefail
PACKAGES=(cmake ninja-build g++ libgtest-dev
          qt6-base-dev qt6-serialport-dev qt6-charts-dev qt6-tools-dev qt6-tools-dev-tools
          qt6-svg-dev  # graphs and scope captures as SVG pictures
          libqt6opengl6-dev libgl-dev xvfb xauth fonts-dejavu-core
          help2man  # the manual pages
          qt6-translations-l10n  # Qt's own dialog texts in German
          clang libclang-rt-14-dev)  # clang: the sanitizer build and the fuzz targets
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
