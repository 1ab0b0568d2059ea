#!/usr/bin/env bash
# Checks what the desktop and the package system get from a build folder: the desktop
# entry and the AppStream metadata validate, the manual page formats cleanly, and the
# Debian package cpack makes holds the programs, the menu entry, the manual page and the
# add-in's setup, with the office, Ghostscript and Qt among its dependencies.
#
#   scripts/check-package.sh BUILD_DIR
#
# Exit status 77 when a tool it needs is missing (the test is then skipped).
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "check-package: $*" >&2
    exit 1
}

for tool in desktop-file-validate dpkg-deb dpkg-shlibdeps cpack groff; do
    command -v "$tool" >/dev/null || { echo "check-package: $tool is missing" >&2; exit 77; }
done

desktop-file-validate "$source/app/desktop/OstrelWordToPdf.desktop"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$source"/app/desktop/*.metainfo.xml >"$scratch/appstream.log" ||
        { cat "$scratch/appstream.log" >&2; fail "the AppStream metadata does not validate"; }
fi
warnings=$(groff -man -ww -z "$source/cli/ostrel-convert.1" 2>&1)
[[ -z $warnings ]] || fail "the manual page: $warnings"

# Packaging must not register anything for whoever builds the package.
export OSTREL_REGISTRY_DIR=$scratch/registry
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out") \
    >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
[[ ! -e $OSTREL_REGISTRY_DIR ]] || fail "packaging touched the registry"
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "no single .deb in $scratch/out"
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
for package in libreoffice-writer libreoffice-core ghostscript libqt6widgets6 libqt6network6 \
    libuno-sal3; do
    [[ ",$depends," =~ [,\ ]$package[,\ ] ]] || fail "Depends lacks $package: $depends"
done
dpkg-deb -e "$deb" "$scratch/control"
grep -q 'install-addin.sh' "$scratch/control/postinst" || fail "postinst does not set the add-in up"
grep -q 'uninstall-addin.sh' "$scratch/control/prerm" || fail "prerm does not take the add-in away"

dpkg -x "$deb" "$scratch/root"
prefix=$(grep -oP '^set\(CPACK_PACKAGING_INSTALL_PREFIX "\K[^"]*' "$build/CPackConfig.cmake")
root=$scratch/root$prefix
for file in bin/OstrelWordToPdf bin/ostrel-convert bin/ostrel-regsvr \
    "bin/Ostrel Word To PDF 3.0 - Help.chm" share/ostrel/help/index.html \
    share/applications/OstrelWordToPdf.desktop share/kio/servicemenus/ostrel-convert-to-pdf.desktop \
    share/metainfo/example.ostrel.OstrelWordToPdf.metainfo.xml \
    share/icons/hicolor/64x64/apps/OstrelWordToPdf.png share/man/man1/ostrel-convert.1.gz \
    share/ostrel/install-addin.sh share/ostrel/uninstall-addin.sh \
    share/ostrel/ostrel-addin-bridge.oxt lib/ostrel/KestrineWord.so lib/ostrel/libostrel_word.so; do
    [[ -e "$root/$file" ]] || fail "the package lacks $prefix/$file"
done
# The maintainer scripts' setup finds every piece in the installed tree.
here=$source/scripts
# shellcheck source=scripts/addin-paths.sh
source "$root/share/ostrel/addin-paths.sh"
addin_paths --prefix "$root"
for file in "$regsvr" "$library" "$extension"; do
    [[ -e $file ]] || fail "the add-in's setup would miss $file"
done
# The installed programs run from the unpacked tree: their libraries are found beside them.
version=$("$root/bin/ostrel-convert" --version) || fail "the packaged ostrel-convert does not run"
[[ $version == "ostrel-convert (Ostrel Word To PDF) "* ]] || fail "unexpected version: $version"
man -l "$root/share/man/man1/ostrel-convert.1.gz" 2>/dev/null | grep -q 'ostrel-convert' ||
    fail "the packaged manual page does not show"
echo "check-package: $(basename "$deb") holds what it should"
