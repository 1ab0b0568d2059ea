#!/usr/bin/env bash
# Configures and builds into ./build; silent when nothing changed, the compiler's
# words shown when something fails.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ! -f build/build.ninja ]]; then
    # A compiler cache, where the machine has one, makes a fresh clone's build quick.
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
if ! output=$(cmake --build build -- --quiet 2>&1); then
    printf '%s\n' "$output" >&2
    exit 1
fi
[[ -z $output || $output == "ninja: no work to do." ]] || printf '%s\n' "$output"
