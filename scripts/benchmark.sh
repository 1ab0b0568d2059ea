#!/usr/bin/env bash
# Figures, not a test: ostrel-convert against the office's own batch export, measured in
# one run on this machine, so that both sides meet the same load.
#   corpus:  every document of the corpus in one ostrel-convert run (no office running at
#            the start), with --jobs 1 and --jobs 2, against ONE
#            `soffice --headless --convert-to pdf --outdir DIR FILES...` (existing profile);
#   long:    one generated document of 400+ pages, the same way;
#   memory:  (with --memory) the resident size of ostrel-convert and of its office while
#            it converts 100 documents in one run.
# Prints seconds and the ratio ours/office. (The office prints the spool file, Ghostscript
# makes the PDF of it.) The machine's speed can move by a third within minutes: with
# --rounds N each measure is taken N times, the office's export and ours in turn, and the
# median ratio follows.
#   scripts/benchmark.sh [--memory] [--rounds N] [DOCUMENT...]
#   (default: every file of $OSTREL_CORPUS_DIR/documents, the corpus beside the source tree)
set -euo pipefail
cd "$(dirname "$0")/.."
convert=$(realpath "${OSTREL_CONVERT:-build/cli/ostrel-convert}")
if [[ ! -x $convert ]]; then
    echo "no $convert: build first (scripts/build.sh)" >&2
    exit 2
fi
memory=no
rounds=1
while (($# > 0)); do
    case $1 in
    --memory) memory=yes ;;
    --rounds) rounds=${2:?--rounds needs a number} && shift ;;
    *) break ;;
    esac
    shift
done
if (($# > 0)); then
    documents=("$@")
else
    documents=("${OSTREL_CORPUS_DIR:-../shared/corpus}"/documents/*)
fi
for i in "${!documents[@]}"; do documents[i]=$(realpath "${documents[i]}"); done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private registry, spool folder and profile cache for ours, a private profile for the
# office's own.
export OSTREL_REGISTRY_DIR=$work/registry OSTREL_SPOOL_DIR=$work/spool XDG_CACHE_HOME=$work/cache
profile=file://$work/office-profile

# Milliseconds since the epoch, and a count of milliseconds as seconds ("12.34").
now() { echo $(($(date +%s%N) / 1000000)); }
secs() { printf '%d.%02d' $(($1 / 1000)) $((($1 % 1000) / 10)); }
ratio() { printf '%d.%02d' $(($1 / $2)) $((($1 % $2) * 100 / $2)); }

office_export() { # OUTDIR FILE...
    local out=$1
    shift
    soffice "-env:UserInstallation=$profile" --headless --norestore --convert-to pdf \
        --outdir "$out" "$@" >/dev/null 2>&1 || true
}
ours() { # JOBS OUTDIR FILE...
    local jobs=$1 out=$2
    shift 2
    "$convert" --quiet --overwrite yes --jobs "$jobs" -d "$out" "$@" >/dev/null 2>&1 || true
}
pdfs() { find "$1" -name '*.pdf' | wc -l; }

# First runs make the profiles and the registration: not measured.
mkdir -p "$work/warmup"
ours 1 "$work/warmup" "${documents[0]}"
office_export "$work/warmup" "${documents[0]}"

# One document of 400+ pages, made by the office from a long text.
long=$work/long/long-document.docx
mkdir -p "$work/long"
for ((line = 1; line <= 18000; ++line)); do
    echo "Line $line of a long document: the quick brown fox jumps over the lazy dog again."
done >"$work/long/long-document.txt"
soffice "-env:UserInstallation=$profile" --headless --norestore --convert-to docx \
    --outdir "$work/long" "$work/long/long-document.txt" >/dev/null 2>&1
office_export "$work/long" "$long"
long_pages=$(pdfinfo "$work/long/long-document.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')

# The median of numbers.
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# measure NAME FILE...: the office's export once, then ours with one and two jobs; each
# round a line, and with several rounds the median ratios.
measure() {
    local name=$1
    shift
    local round start office one two ratios1=() ratios2=()
    for ((round = 1; round <= rounds; ++round)); do
        local out=$work/run-$RANDOM
        mkdir -p "$out/office" "$out/ours1" "$out/ours2"
        start=$(now)
        office_export "$out/office" "$@"
        office=$(($(now) - start))
        start=$(now)
        ours 1 "$out/ours1" "$@"
        one=$(($(now) - start))
        start=$(now)
        ours 2 "$out/ours2" "$@"
        two=$(($(now) - start))
        ratios1+=("$(ratio "$one" "$office")")
        ratios2+=("$(ratio "$two" "$office")")
        printf '%-30s %6s %9s %9s %7s %9s %7s\n' "$name" "$#" "$(secs "$office")" \
            "$(secs "$one")" "${ratios1[-1]}" "$(secs "$two")" "${ratios2[-1]}"
        printf '%-30s %6s %9s %9s %7s %9s %7s\n' "  PDFs written" "" "$(pdfs "$out/office")" \
            "$(pdfs "$out/ours1")" "" "$(pdfs "$out/ours2")" ""
        rm -rf "$out"
    done
    if ((rounds > 1)); then
        printf '%-30s %6s %9s %9s %7s %9s %7s\n' "  median of $rounds rounds" "" "" "" \
            "$(median "${ratios1[@]}")" "" "$(median "${ratios2[@]}")"
    fi
}

echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-30s %6s %9s %9s %7s %9s %7s\n' "" "files" "office s" "jobs 1 s" "ratio" \
    "jobs 2 s" "ratio"
measure "corpus" "${documents[@]}"
measure "long document (${long_pages:-?} pages)" "$long"

if [[ $memory == yes ]]; then
    # 100 documents (the corpus repeated under new names) in one run; the resident size
    # of ostrel-convert and of its office(s), sampled every half second.
    mkdir -p "$work/hundred" "$work/out-hundred"
    for ((n = 0; n < 100; ++n)); do
        source=${documents[n % ${#documents[@]}]}
        ln -s "$source" "$work/hundred/$n-$(basename "$source")"
    done
    "$convert" --quiet --overwrite yes --jobs 1 -d "$work/out-hundred" "$work/hundred"/* \
        >/dev/null 2>&1 &
    pid=$!
    peak_ours=0 peak_office=0 last_ours=0 last_office=0
    start=$(now)
    while kill -0 "$pid" 2>/dev/null; do
        ours_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        office_kb=0
        for child in $(pgrep -P "$pid" -x soffice.bin || true); do
            kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$child/status" 2>/dev/null || echo 0)
            office_kb=$((office_kb + kb))
        done
        ((ours_kb > peak_ours)) && peak_ours=$ours_kb
        ((office_kb > peak_office)) && peak_office=$office_kb
        ((ours_kb > 0)) && last_ours=$ours_kb
        ((office_kb > 0)) && last_office=$office_kb
        sleep 0.5
    done
    wait "$pid" || true
    echo
    echo "100 documents, one run: $(secs $(($(now) - start))) s, $(pdfs "$work/out-hundred") PDFs"
    echo "  ostrel-convert resident: peak $((peak_ours / 1024)) MB, last seen $((last_ours / 1024)) MB"
    echo "  office resident:         peak $((peak_office / 1024)) MB, last seen $((last_office / 1024)) MB"
fi
