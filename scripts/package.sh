#!/usr/bin/env bash
# Builds the Debian package of the program into build-package/ (installed under /usr) and
# prints its path. Install it with: sudo apt install ./build-package/<the .deb file>
# Installing sets the Writer add-in up (for the user behind sudo); removing the package
# takes it away again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [[ ! -f build-package/build.ninja ]]; then
    # The program's own libraries are private: /usr/lib/ostrel, not the multiarch folder.
    cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_LIBDIR=lib -DOSTREL_BUILD_TESTS=OFF >/dev/null
fi
if ! output=$(cmake --build build-package -- --quiet 2>&1); then
    printf '%s\n' "$output" >&2
    exit 1
fi
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/*.deb
