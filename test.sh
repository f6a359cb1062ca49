#!/usr/bin/env bash
# Builds Velmora and runs its whole test suite. On a fresh Debian 12 machine, as root: ./test.sh
# A second build with AddressSanitizer and UndefinedBehaviorSanitizer runs the tests again, and
# a third runs the fuzz targets briefly.
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

# The fuzz targets, in a clang build of their own: each runs 20 seconds from its seeds and fails
# the suite on the first fault it finds. Only they are built there.
fuzz_smoke() {
    cmake -S . -B build-fuzz -G Ninja -DVELMORA_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_COMPILER=clang++ -DVELMORA_FUZZ=ON >/dev/null
    cmake --build build-fuzz --parallel --target fuzz_line_counter fuzz_command_line >/dev/null
    (cd build-fuzz && ctest --output-on-failure -L fuzz)
}

run_suite build -DCMAKE_BUILD_TYPE=Release
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON
fuzz_smoke
