#!/usr/bin/env bash
# Registers the add-in KestrineWord (its COM class and the Word add-in key, through
# ostrel-regsvr) and installs the LibreOffice extension that lets Writer host it
# (unopkg), for the user who runs the script.
#
#   scripts/install-addin.sh [--prefix DIR | --build DIR]
#
# --prefix: an installed tree (bin/ostrel-regsvr, lib/ostrel/KestrineWord.so,
# share/ostrel/ostrel-addin-bridge.oxt); --build: a build folder. Without either, the
# build folder beside this script is used when it holds a build, else /usr/local.
# Run through sudo, both steps are done for the invoking user; run as root itself, the
# extension is installed for every user of the office (unopkg refuses anything else
# for root). Idempotent: a second run replaces the extension and rewrites the keys.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/addin-paths.sh
source "$here/addin-paths.sh"
addin_paths "$@"

for file in "$regsvr" "$library" "$extension"; do
    [[ -e "$file" ]] || { echo "install-addin: missing $file" >&2; exit 1; }
done

as_user "$regsvr" "$library" >/dev/null
as_user "$unopkg" add --force "${unopkg_scope[@]}" "$extension" >/dev/null
echo "KestrineWord registered and the Writer extension installed${unopkg_scope:+ (for all users)}."
