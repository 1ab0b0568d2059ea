#!/usr/bin/env bash
# Figures, not a test: ostrel-convert against the office's own batch export, measured in
# one run on this machine, so that both sides meet the same load.
#   corpus:  every document of the corpus in one ostrel-convert run (no office running at
#            the start), with --jobs 1 and --jobs 2, against ONE
#            `soffice --headless --convert-to pdf --outdir DIR FILES...` (existing profile);
#   small:   100 generated letters of one to three pages (headings, lists, a table; .docx
#            and .doc), the same way and also with the default job count;
#   long:    one generated document of 400+ pages, the same way;
#   stages:  where the time of one small document and of the long one goes (--json);
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
ours() { # JOBS|default OUTDIR FILE...
    local jobs=$1 out=$2
    shift 2
    local choice=(--jobs "$jobs")
    [[ $jobs == default ]] && choice=()
    "$convert" --quiet --overwrite yes "${choice[@]}" -d "$out" "$@" >/dev/null 2>&1 || true
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

# 100 letters of one to three pages, made by the office from HTML: a quarter as .doc.
mkdir -p "$work/letters-html" "$work/letters"
for ((n = 1; n <= 100; ++n)); do
    {
        echo "<html><head><meta charset=utf-8><title>Letter $n</title></head><body>"
        echo "<h1>Letter $n</h1>"
        for ((p = 0; p < (n % 3 + 1) * 9; ++p)); do
            echo "<p>Paragraph $p of letter $n: <b>the quick brown fox</b> jumps over the"
            echo "<i>lazy dog</i>; an ordinary sentence of an ordinary office letter, long"
            echo "enough to wrap onto a second line of the page.</p>"
            ((p % 7 == 6)) && echo "<h2>Part $((p / 7 + 1))</h2>"
        done
        echo "<ul><li>first item</li><li>second item</li><li>third item</li></ul>"
        echo "<table border=1><tr><th>Item</th><th>Amount</th></tr>"
        echo "<tr><td>One</td><td>1.00</td></tr><tr><td>Two</td><td>2.00</td></tr></table>"
        echo "</body></html>"
    } >"$work/letters-html/letter-$n.html"
done
letters_as() { # FORMAT FILE...
    local format=$1
    shift
    soffice "-env:UserInstallation=$profile" --headless --norestore \
        "--infilter=HTML (StarWriter)" --convert-to "$format" --outdir "$work/letters" "$@" \
        >/dev/null 2>&1
}
letters_as docx "$work"/letters-html/letter-{1..75}.html
letters_as 'doc:MS Word 97' "$work"/letters-html/letter-{76..100}.html
letters=("$work"/letters/*)

# The median of numbers.
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# measure NAME FILE...: the office's export once, then ours with one and two jobs (and,
# with $with_default, the job count ours chooses); each round a line, and with several
# rounds the median ratios.
with_default=no
measure() {
    local name=$1
    shift
    local round start office one two chosen ratios1=() ratios2=() ratios3=()
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
        if [[ $with_default == yes ]]; then
            mkdir -p "$out/ours"
            start=$(now)
            ours default "$out/ours" "$@"
            chosen=$(($(now) - start))
            ratios3+=("$(ratio "$chosen" "$office")")
            printf '%-30s %6s %9s %9s %7s\n' "  default job count" "" "" "$(secs "$chosen")" \
                "${ratios3[-1]}"
        fi
        rm -rf "$out"
    done
    if ((rounds > 1)); then
        printf '%-30s %6s %9s %9s %7s %9s %7s\n' "  median of $rounds rounds" "" "" "" \
            "$(median "${ratios1[@]}")" "" "$(median "${ratios2[@]}")"
        if [[ $with_default == yes ]]; then
            printf '%-30s %6s %9s %9s %7s\n' "  median, default job count" "" "" "" \
                "$(median "${ratios3[@]}")"
        fi
    fi
}

# stages FILE...: where ours spends the time of each file in one run, stage by stage
# (seconds; the office is started for the first file and kept for the next).
stages() {
    local out=$work/stages-$RANDOM
    mkdir -p "$out"
    "$convert" --json --overwrite yes -d "$out" "$@" 2>/dev/null |
        jq -r 'select(.type == "file") | "\(.input | split("/") | last): \(.seconds) s: " +
            ([.stages | to_entries[] | "\(.key) \(.value)"] | join(", "))'
    rm -rf "$out"
}

echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-30s %6s %9s %9s %7s %9s %7s\n' "" "files" "office s" "jobs 1 s" "ratio" \
    "jobs 2 s" "ratio"
measure "corpus" "${documents[@]}"
with_default=yes measure "small letters" "${letters[@]}"
measure "long document (${long_pages:-?} pages)" "$long"
echo
echo "stages of one run (its office starts for the first file):"
stages "${letters[0]}" "${letters[1]}" "${letters[80]}" "$long"

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
