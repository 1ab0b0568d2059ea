#!/usr/bin/env bash
# The main job: converts the bundled PostScript sample with several option sets, and
# sample Word documents (from ../shared/corpus/documents when present), and prints where
# the PDF files are.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${OSTREL_OUT:-$PWD/out}
convert=build/cli/ostrel-convert
sample=samples/sample.ps

# name | options
sets=(
    "defaults|"
    "pdf-1.5-lzw|--pdf-version 1.5 --document-compression LZW"
    "jpeg-minimum|--image-compression JPEG --jpeg-quality Minimum"
    "jpeg-maximum|--image-compression JPEG --jpeg-quality Maximum"
    "automatic-images|--image-compression Automatic --jpeg-quality Medium"
    "described|--title Sample --author Ostrel --subject Options --keywords PDF"
    "secured-40-bit|--security --no-user-password --allow printing,copying"
    "secured-128-bit|--security --encryption high --allow printing"
    "secured-aes-256|--security --encryption aes256 --allow printing,copying"
)

# Demonstration passwords, handed over as the converter wants them: never as arguments.
export OSTREL_OWNER_PASSWORD=owner OSTREL_USER_PASSWORD=user

status=0
for entry in "${sets[@]}"; do
    name=${entry%%|*}
    read -r -a options <<<"${entry#*|}"
    mkdir -p "$out/$name"
    "$convert" --quiet --overwrite yes "${options[@]}" -d "$out/$name" "$sample" || status=1
done

echo "PDF files of $sample, one folder per option set, in $out:"
for entry in "${sets[@]}"; do
    name=${entry%%|*}
    pdf="$out/$name/sample.pdf"
    [[ -f $pdf ]] && printf '  %-18s %s (%s bytes)\n' "$name" "$pdf" "$(stat -c %s "$pdf")"
done
echo "Secured files: owner password \"owner\"; the 128-bit and AES-256 ones open with user password \"user\"."

# Word documents: the office prints each one, Ghostscript makes the PDF.
corpus=../shared/corpus/documents
documents=()
for name in SampleDoc.docx Lists.doc tbl-having-tables.docx having-images.docx; do
    if [[ -f $corpus/$name ]]; then
        documents+=("$corpus/$name")
    fi
done
if ((${#documents[@]} > 0)); then
    unset OSTREL_OWNER_PASSWORD OSTREL_USER_PASSWORD
    mkdir -p "$out/documents"
    "$convert" --overwrite yes -d "$out/documents" "${documents[@]}" || status=1
    echo "PDF files of the sample documents in $out/documents:"
    for pdf in "$out"/documents/*.pdf; do
        if [[ -f $pdf ]]; then
            printf '  %s (%s bytes)\n' "$pdf" "$(stat -c %s "$pdf")"
        fi
    done
else
    echo "No sample documents at $corpus: Word documents skipped."
fi
exit $status
