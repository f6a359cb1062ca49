#!/usr/bin/env bash
# Builds Velmora and runs its whole test suite. On a fresh Debian 12 machine, as root: ./test.sh
# The C++ files are checked against .clang-format before anything is built. A second build with
# AddressSanitizer and UndefinedBehaviorSanitizer runs the tests again, a third with
# ThreadSanitizer runs those of the engine and velmora-count, whose threads share state, and a
# fourth runs the fuzz targets briefly. Ends with the time of each step. Compiled files are kept
# in ccache's cache, shared by every checkout on the machine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-dependencies.sh test

# A compiler cache: what was compiled before, in this checkout or another, is not compiled
# again. Paths inside the checkout are hashed relative to it, so clones in other folders share
# what it holds.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
compiler_cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

timings=()
step_started=$SECONDS
step_done() {
    timings+=("$(printf '%5d s  %s' $((SECONDS - step_started)) "$1")")
    step_started=$SECONDS
}

# The layout first: it takes a second, and a misplaced brace should not wait for the builds.
scripts/check-format.sh
step_done "clang-format check"

# suite FOLDER "CTEST-ARGUMENTS" CMAKE-OPTIONS... [--target TARGET...]
# Configures and builds FOLDER (the named targets, else all), then runs its tests.
suite() {
    local folder=$1 tests=$2
    shift 2
    local options=() targets=()
    while [[ $# -gt 0 && $1 != --target ]]; do
        options+=("$1")
        shift
    done
    [[ $# -gt 0 ]] && targets=("$@")
    cmake -S . -B "$folder" -G Ninja -DVELMORA_WERROR=ON "${compiler_cache[@]}" "${options[@]}" \
        >/dev/null
    cmake --build "$folder" --parallel "${targets[@]}" >/dev/null
    step_done "$folder: build"
    # shellcheck disable=SC2086 # the arguments are words on purpose
    (cd "$folder" && ctest --output-on-failure --parallel 2 $tests)
    step_done "$folder: tests"
}

suite build "" -DCMAKE_BUILD_TYPE=Release
# The sanitizer builds have no use for the benchmarks, and their reports need no more of the
# debugging information than functions and lines (-g1), which compiles a sixth faster.
sanitizer_build=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DVELMORA_BUILD_BENCH=OFF)
suite build-sanitize "" "${sanitizer_build[@]}" -DVELMORA_SANITIZE=ON
suite build-tsan "-L engine" "${sanitizer_build[@]}" -DVELMORA_TSAN=ON --target velmora_engine_tests
# The fuzz targets, in a clang build of their own: each runs 20 seconds from its seeds and fails
# the suite on the first fault it finds. Only they are built there.
suite build-fuzz "-L fuzz" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
    -DVELMORA_FUZZ=ON --target fuzz_line_counter fuzz_command_line

echo
echo "== Test suite"
printf '%s\n' "${timings[@]}"
printf '%5d s  in all\n' "$SECONDS"
