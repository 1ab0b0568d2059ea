#!/usr/bin/env bash
# Checks what the desktop and the package system get from a build folder: the desktop
# entry and the AppStream metadata validate, the manual page formats cleanly, and the
# Debian package cpack makes holds the programs, the menu entry, the manual page and the
# add-in's setup, with the office, Ghostscript and Qt among its dependencies. Then the
# unpacked package, and a `cmake --install` into a scratch prefix, are run as on a machine
# with nothing else of ours: every library is found from the tree itself, the desktop
# program starts, the add-in registers and ostrel-convert converts a document.
#
#   scripts/check-package.sh BUILD_DIR
#
# Exit status 77 when a tool it needs is missing (the test is then skipped), 1 under
# OSTREL_TESTS_REQUIRE_ALL.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "check-package: $*" >&2
    exit 1
}

for tool in desktop-file-validate dpkg-deb dpkg-shlibdeps cpack groff pdftotext readelf; do
    command -v "$tool" >/dev/null || {
        echo "check-package: $tool is missing" >&2
        [[ -n ${OSTREL_TESTS_REQUIRE_ALL:-} && $OSTREL_TESTS_REQUIRE_ALL != 0 ]] && exit 1
        exit 77
    }
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
for file in bin/OstrelWordToPdf bin/ostrel-convert lib/ostrel/ostrel-regsvr \
    "share/ostrel/help/Ostrel Word To PDF 3.0 - Help.chm" share/ostrel/help/index.html \
    share/applications/OstrelWordToPdf.desktop share/kio/servicemenus/ostrel-convert-to-pdf.desktop \
    share/metainfo/example.ostrel.OstrelWordToPdf.metainfo.xml \
    share/icons/hicolor/64x64/apps/OstrelWordToPdf.png share/man/man1/ostrel-convert.1.gz \
    share/ostrel/install-addin.sh share/ostrel/uninstall-addin.sh \
    share/ostrel/ostrel-addin-bridge.oxt lib/ostrel/KestrineWord.so lib/ostrel/libostrel_word.so; do
    [[ -e "$root/$file" ]] || fail "the package lacks $prefix/$file"
done
man -l "$root/share/man/man1/ostrel-convert.1.gz" 2>/dev/null | grep -q 'ostrel-convert' ||
    fail "the packaged manual page does not show"

# Tries an installed tree ($1, called $2 in messages) as its users would, with nothing of
# ours but the tree: a private home, runtime folder, registry and spool folder each time.
try_tree() {
    local tree=$1 name=$2 home
    home=$(mktemp -d "$scratch/home.XXXXXX")
    mkdir -m 0700 "$home/run" "$home/spool"
    local env=(env -u LD_LIBRARY_PATH HOME="$home" XDG_RUNTIME_DIR="$home/run"
        XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache"
        OSTREL_REGISTRY_DIR="$home/registry" OSTREL_SPOOL_DIR="$home/spool")

    # Only the two programs are on users' PATH.
    local programs
    programs=$(ls "$tree/bin" | tr '\n' ' ')
    [[ $programs == "OstrelWordToPdf ostrel-convert " ]] || fail "$name: bin/ holds $programs"

    # Every ELF file finds its libraries through its own run path, none in the build folder.
    local file missing
    while IFS= read -r -d '' file; do
        [[ $(head -c 4 "$file" | tr -d '\0') == $'\x7fELF' ]] || continue
        missing=$(env -u LD_LIBRARY_PATH ldd "$file" 2>&1 | grep 'not found' || true)
        [[ -z $missing ]] || fail "$name: ${file#"$tree"/} misses libraries: $missing"
        if readelf -d "$file" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
            fail "$name: ${file#"$tree"/} looks in the build folder for libraries"
        fi
    done < <(find "$tree" -type f -print0)

    # The desktop program starts and stays up: it listens for later starts, still running.
    "${env[@]}" QT_QPA_PLATFORM=offscreen "$tree/bin/OstrelWordToPdf" >"$home/desktop.log" 2>&1 &
    local desktop=$! waited
    for ((waited = 0; waited < 600; waited++)); do
        [[ -S $home/run/OstrelWordToPDF.socket ]] && break
        kill -0 "$desktop" 2>/dev/null || break
        sleep 0.1
    done
    if ! kill -0 "$desktop" 2>/dev/null; then
        cat "$home/desktop.log" >&2
        fail "$name: OstrelWordToPdf ended at its start"
    fi
    [[ -S $home/run/OstrelWordToPDF.socket ]] || fail "$name: OstrelWordToPdf did not come up"
    kill "$desktop"
    wait "$desktop" 2>/dev/null || true

    # The add-in's set-up tool registers the tree's add-in.
    "${env[@]}" "$tree/lib/ostrel/ostrel-regsvr" "$tree/lib/ostrel/KestrineWord.so" >/dev/null ||
        fail "$name: ostrel-regsvr could not register KestrineWord.so"
    grep -rqF "$tree/lib/ostrel/KestrineWord.so" "$home/registry" ||
        fail "$name: the registry does not name the tree's KestrineWord.so"

    # ostrel-convert converts a document through the office and the tree's Word server.
    mkdir "$home/out"
    printf 'Installed trees convert.\n' >"$home/check.txt"
    "${env[@]}" "$tree/bin/ostrel-convert" -q "$home/check.txt" -d "$home/out" ||
        fail "$name: ostrel-convert could not convert a document"
    pdftotext "$home/out/check.pdf" - | grep -q 'Installed trees convert' ||
        fail "$name: the converted PDF lacks the document's text"
    grep -rqF "$tree/lib/ostrel/libostrel_word.so" "$home/registry" ||
        fail "$name: the Word server registered is not the tree's"
}
try_tree "$root" "the package"

# The same for `cmake --install` into a scratch prefix, whose add-in set-up runs at the
# end of the install: into a private registry, and the Writer extension into a private
# office profile and shared folder (a small wrapper tells the extension manager so).
staged=$scratch/prefix
mkdir -m 0700 "$scratch/install-home"
cat >"$scratch/unopkg" <<EOF
#!/bin/sh
exec unopkg "\$@" "-env:UserInstallation=file://$scratch/install-home/office/user" \\
    "-env:UNO_SHARED_PACKAGES_CACHE=file://$scratch/install-home/office/shared"
EOF
chmod +x "$scratch/unopkg"
HOME=$scratch/install-home OSTREL_REGISTRY_DIR=$scratch/install-home/registry \
    OSTREL_UNOPKG=$scratch/unopkg cmake --install "$build" --prefix "$staged" \
    >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
grep -q 'KestrineWord registered and the Writer extension installed' "$scratch/install.log" || {
    cat "$scratch/install.log" >&2
    fail "cmake --install did not set the add-in up"
}
grep -rqF "$staged/lib/ostrel/KestrineWord.so" "$scratch/install-home/registry" ||
    fail "cmake --install did not register the installed KestrineWord.so"
try_tree "$staged" "cmake --install"
echo "check-package: $(basename "$deb") and cmake --install run on their own"
