#!/usr/bin/env bash
# Builds the tool twice, plainly and with AddressSanitizer + UndefinedBehaviorSanitizer, and runs
# the whole test suite under both; then cross-builds the code below the Qt views (the forms
# included) for Windows and runs its tests under Wine, where the Windows program's windows are also
# held against the Qt ones. Exits non-zero when any build or test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_config() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

echo "== plain build =="
run_config build
echo "== sanitizer build (address, undefined) =="
run_config build-asan -DDIMWARDEN_SANITIZE=ON -DDIMWARDEN_BENCH=OFF
echo "== Windows cross build (mingw-w64), tests under Wine =="
# The plain build's form_shots holds the exe's windows against the Qt ones.
run_config build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DDIMWARDEN_GUI=OFF \
    -DDIMWARDEN_LINUX_BUILD_DIR="$PWD/build"
