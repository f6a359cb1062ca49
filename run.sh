#!/usr/bin/env bash
# Builds Velmora and starts its window. On a fresh Debian 12 machine, run as root: ./run.sh
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-dependencies.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --parallel >/dev/null

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "Velmora is built (build/bin/velmora), but there is no display to show its window on." >&2
    echo "To run it on a virtual display instead: apt-get install xvfb xauth && xvfb-run -a ./run.sh" >&2
    exit 1
fi
exec build/bin/velmora "$@"
