#!/usr/bin/env bash
# Builds Velmora and runs its whole test suite. On a fresh Debian 12 machine, as root: ./test.sh
# A second build with AddressSanitizer and UndefinedBehaviorSanitizer runs the tests again.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-dependencies.sh test

run_suite() {
    local folder=$1
    shift
    cmake -S . -B "$folder" -G Ninja -DVELMORA_WERROR=ON "$@" >/dev/null
    cmake --build "$folder" --parallel >/dev/null
    (cd "$folder" && ctest --output-on-failure --parallel 2)
}

run_suite build -DCMAKE_BUILD_TYPE=Release
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON
