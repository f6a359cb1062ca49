#!/usr/bin/env bash
# Builds Velmora for arm64 (Debian's cross compiler and arm64 Qt) and runs the engine's tests
# under qemu: there every fast path falls back to its portable form, checked against the same
# tables as on x86-64. Not part of CI: it takes several minutes.
# Usage: scripts/install-dependencies.sh arm64 && scripts/check-arm64.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-arm64
engine_tests=(tst_chunk_classifier tst_line_length tst_line_counter tst_text_reader
    tst_count_file tst_result_store tst_results_model tst_results_writer tst_path_bytes)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-aarch64;-L;/" > /dev/null
cmake --build "$build" --target velmora velmora-count "${engine_tests[@]}"
file "$build/bin/velmora" "$build/bin/velmora-count"
pattern=$(IFS='|'; echo "^(${engine_tests[*]})\$")
ctest --test-dir "$build" --output-on-failure -R "$pattern"
