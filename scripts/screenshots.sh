#!/usr/bin/env bash
# Renders the windows (desktop program, add-in pages, dialogs) to PNG files on Qt's
# offscreen platform, with a real run of two corpus documents when ../shared/corpus is there.
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default: out/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-$PWD/out/screenshots}
scripts/build.sh
corpus=${OSTREL_CORPUS_DIR:-$PWD/../shared/corpus}
documents=()
if [[ -d $corpus/documents ]]; then
    documents=("$corpus/documents/SampleDoc.docx" "$corpus/documents/Lists.doc"
               "$corpus/documents/tbl-having-tables.docx")
else
    echo "No corpus at $corpus: no run is shown."
fi
# A private spool folder and registry for the run.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
OSTREL_SPOOL_DIR=$work/spool OSTREL_REGISTRY_DIR=$work/registry XDG_RUNTIME_DIR=$work \
QT_QPA_PLATFORM=offscreen build/tools/screenshots/ostrel_screenshots "$out" "${documents[@]}"
