#!/usr/bin/env bash
# Installs the Debian packages the build needs, if any are missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev pxlib-dev libsqlite3-dev
          libbenchmark-dev fonts-dejavu-core fonts-liberation2 fonts-wine xauth
          qt6-translations-l10n
          poppler-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
