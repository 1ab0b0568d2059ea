#!/usr/bin/env bash
# Seconds per document: ostrel-convert (a fresh office per document prints to the spool
# file, Ghostscript makes the PDF) beside LibreOffice's own `soffice --headless --convert-to pdf`
# of the same file, measured in one run. Not a test: it prints figures.
#   scripts/benchmark.sh [DOCUMENT...]   (default: ../shared/corpus/documents/*)
set -euo pipefail
cd "$(dirname "$0")/.."
convert=${OSTREL_CONVERT:-build/cli/ostrel-convert}
if [[ ! -x $convert ]]; then
    echo "no $convert: build first (scripts/build.sh)" >&2
    exit 2
fi
if (($# > 0)); then
    documents=("$@")
else
    documents=(../shared/corpus/documents/*)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private registry and spool folder for ours, a private profile for the office's own.
export OSTREL_REGISTRY_DIR=$work/registry OSTREL_SPOOL_DIR=$work/spool
profile=file://$work/office-profile
mkdir -p "$work/ours" "$work/office"

# Milliseconds since the epoch, and a count of milliseconds as seconds ("12.34").
now() { echo $(($(date +%s%N) / 1000000)); }
secs() { printf '%d.%02d' $(($1 / 1000)) $((($1 % 1000) / 10)); }
ratio() { printf '%d.%02d' $(($1 / $2)) $((($1 % $2) * 100 / $2)); }

# First runs make profiles and registrations: not measured.
"$convert" --quiet --overwrite yes -d "$work/ours" "${documents[0]}" >/dev/null 2>&1 || true
soffice "-env:UserInstallation=$profile" --headless --norestore --convert-to pdf \
    --outdir "$work/office" "${documents[0]}" >/dev/null 2>&1 || true

printf '%-34s %10s %10s %7s\n' "document" "ours s" "office s" "ratio"
total_ours=0
total_office=0
measured=0
for document in "${documents[@]}"; do
    start=$(now)
    converted=yes
    "$convert" --quiet --overwrite yes -d "$work/ours" "$document" >/dev/null 2>&1 || converted=no
    ours=$(($(now) - start))
    start=$(now)
    soffice "-env:UserInstallation=$profile" --headless --norestore --convert-to pdf \
        --outdir "$work/office" "$document" >/dev/null 2>&1 || true
    office=$(($(now) - start))
    if [[ $converted == no ]]; then
        printf '%-34s %10s %10s %7s\n' "$(basename "$document")" "failed" "$(secs "$office")" "-"
        continue
    fi
    printf '%-34s %10s %10s %7s\n' "$(basename "$document")" "$(secs "$ours")" \
        "$(secs "$office")" "$(ratio "$ours" "$office")"
    total_ours=$((total_ours + ours))
    total_office=$((total_office + office))
    measured=$((measured + 1))
done
if ((measured > 0)); then
    printf '%-34s %10s %10s %7s\n' "mean of $measured" "$(secs $((total_ours / measured)))" \
        "$(secs $((total_office / measured)))" "$(ratio "$total_ours" "$total_office")"
fi
