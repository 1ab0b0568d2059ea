#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# In parallel, one test per core: every test has its own display, profile, registry and
# spool folder. Later arguments win (e.g. -j1).
ctest --test-dir build --output-on-failure --timeout 900 -j"$(nproc)" "$@"
