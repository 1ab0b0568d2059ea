#!/usr/bin/env bash
# Fuzzes the parsers that read untrusted bytes: builds the libFuzzer targets of
# tests/fuzz with clang, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/,
# then runs each for SECONDS (default 60), starting from its seeds (tests/fuzz/corpus).
# Prints each target's executions; exits 1 when any target failed (a crash, a leak, a
# time-out or a broken property), its input kept under build-fuzz/findings/<target>/.
# Keep such an input in tests/fuzz/regressions/<target>/ once the fault is fixed: the
# suite runs every file there through the same entry point.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

# Debian's clang ships libFuzzer in its runtime package.
missing=()
for p in clang libclang-rt-14-dev; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

build=build-fuzz
if [[ ! -f $build/build.ninja ]]; then
    cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" -- --quiet

# The command line's file arguments, if any exist, are looked for in an empty folder.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
printf '%-10s %12s  %s\n' target executions result
for fuzzer in "$build"/*_fuzz; do
    target=$(basename "$fuzzer" _fuzz)
    # The seeds are copied: what the fuzzer adds to its corpus stays in the build folder.
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
    dictionary=()
    [[ -f tests/fuzz/$target.dict ]] && dictionary=(-dict="$PWD/tests/fuzz/$target.dict")
    log=$build/$target.log
    result=clean
    if ! (cd "$scratch" && "$OLDPWD/$fuzzer" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$OLDPWD/$findings/" \
            "${dictionary[@]}" "$OLDPWD/$corpus") >"$log" 2>&1; then
        result="FAILED: $(ls -t "$findings" | head -1) (log: $log)"
        status=1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    printf '%-10s %12s  %s\n' "$target" "${executions:-?}" "$result"
done
exit $status
