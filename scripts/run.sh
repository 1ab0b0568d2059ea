#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program when a display is
# available; without one, converts the samples with ostrel-convert instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# Setup: the add-in KestrineWord registered and Writer's extension for it installed.
scripts/install-addin.sh --build build >/dev/null ||
    echo "The add-in could not be set up for Writer; the program and the converter work without it." >&2

display_usable() {
    if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
        local socket=$WAYLAND_DISPLAY
        [[ $socket == /* ]] || socket=${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/$socket
        [[ -S $socket ]] && return 0
    fi
    [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1
}

if display_usable; then
    echo "Starting the desktop program OstrelWordToPdf."
    exec build/app/desktop/OstrelWordToPdf
fi
echo "No usable display (DISPLAY or WAYLAND_DISPLAY): converting the samples with ostrel-convert instead."
exec scripts/main-job.sh
