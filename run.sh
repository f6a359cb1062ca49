#!/usr/bin/env bash
# Builds the Velmora window and velmora-count (no tests) in build-run and starts the window.
# On a fresh Debian 12 machine, run as root: ./run.sh [FILE|FOLDER...]
set -euo pipefail
cd "$(dirname "$0")"

build=build-run
scripts/install-dependencies.sh build
if [[ ! -f $build/build.ninja ]]; then
    echo "Setting up the build in $build ..."
    mkdir -p "$build"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
        >"$build/configure.log" 2>&1 || {
        cat "$build/configure.log" >&2
        exit 1
    }
    echo "Building velmora and velmora-count; the first build takes a few minutes ..."
fi
# Ninja's --quiet keeps the progress lines out but shows every compiler message.
cmake --build "$build" --target velmora velmora-count -- --quiet || {
    echo "./run.sh: the build failed; the compiler's messages are above." >&2
    exit 1
}
exec "$build/bin/velmora" "$@"
