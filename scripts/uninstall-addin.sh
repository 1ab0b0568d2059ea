#!/usr/bin/env bash
# Undoes scripts/install-addin.sh: removes the Writer extension and unregisters
# KestrineWord, for the same user (same options). Quiet when nothing was installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/addin-paths.sh
source "$here/addin-paths.sh"
addin_paths "$@"

if as_user "$unopkg" list "${unopkg_scope[@]}" "$extension_id" >/dev/null 2>&1; then
    as_user "$unopkg" remove "${unopkg_scope[@]}" "$extension_id" >/dev/null
fi
if [[ -e "$library" ]]; then
    as_user "$regsvr" -u "$library" >/dev/null || true
fi
echo "KestrineWord unregistered and the Writer extension removed."
