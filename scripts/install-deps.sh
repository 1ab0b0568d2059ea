#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with.
# Idempotent and silent when everything is in place.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev
    ghostscript qpdf libqpdf-dev poppler-utils
    libreoffice-writer libreoffice-core libreoffice-dev
    fonts-dejavu-core fp-utils
    xvfb xauth xdotool x11-utils dbus-x11 imagemagick
    dpkg-dev desktop-file-utils appstream xdg-utils
    parallel jq
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
# The -nogui office core cannot print; it must not stand in for the full one.
if dpkg-query -W -f='${Status}' libreoffice-core-nogui 2>/dev/null | grep -q "install ok installed"; then
    missing+=(libreoffice-core)
fi
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
