#!/usr/bin/env bash
# Renders every option page (desktop and add-in templates) and dialog to PNG files on
# Qt's offscreen platform, so that anyone can look at them.
#   scripts/render-dialogs.sh [output folder]   (default: out/dialogs)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-$PWD/out/dialogs}
scripts/build.sh
cmake --build build --target ostrel_render_dialogs -- --quiet
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen build/tools/render_dialogs/ostrel_render_dialogs "$out"
