#!/usr/bin/env bash
# The main job: converts the bundled PostScript sample with several option sets.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${OSTREL_OUT:-$PWD/out}
mkdir -p "$out"
echo "PDF files are written to $out"
