#!/usr/bin/env bash
# Installs the Debian 12 packages Imprimata needs to build, run and test, if any are missing;
# packages named as arguments are added to the list.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins
  # the Russian translation is built at build time; Qt's own translations at run time
  qt6-l10n-tools qt6-translations-l10n
  pkg-config libexiv2-dev libjpeg62-turbo-dev
  xvfb xauth openbox x11-utils
  fonts-liberation fonts-dejavu-core
  clang-format
  # validating the installed desktop files, and packaging
  desktop-file-utils appstream dpkg-dev file
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root or install sudo to add: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
