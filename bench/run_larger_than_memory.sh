#!/usr/bin/env bash
# The window and velmora-count --sort on an input of 1.25 times the machine's memory: the
# count, both sorts, a repaint at the last row, and the sorted output (the window's save and
# velmora-count's) to /dev/null. Prints the times, the peak anonymous memory, and whether the
# system swapped or killed anything.
# Takes minutes and needs room for the input and a spill file of about the same size.
# Usage: bench/run_larger_than_memory.sh [FACTOR]   (default 1.25; from anywhere)
set -euo pipefail
source "$(dirname "$0")/anonymous_peak.sh"

factor=${1:-1.25}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BENCH_BUILD:-$root/build-bench}
input=$build/bench-data/times-memory-$factor.txt

if [ ! -x "$build/bin/velmora-bench-window" ] || [ "${VELMORA_BENCH_REBUILD:-0}" = 1 ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
cmake --build "$build" --target velmora-count velmora-generate-input velmora-bench-window \
    > /dev/null
mkdir -p "$(dirname "$input")"
if [ ! -s "$input" ]; then
    "$build/bin/velmora-generate-input" "$input" --times-memory "$factor"
fi
df -h "$(dirname "$input")" "${TMPDIR:-/var/tmp}"

swapped() { awk '/^pswpout / { print $2 }' /proc/vmstat; }
killed() { dmesg 2> /dev/null | grep -c 'Out of memory' || true; }
swap_before=$(swapped)
kills_before=$(killed)

"$build/bin/velmora-bench-window" "$input" --larger-than-memory

read -r peak milliseconds < <(anonymous_peak "$build/bin/velmora-count" --sort desc -o /dev/null "$input")
input_mib=$(( $(stat -c %s "$input") / 1048576 ))
echo "velmora-count --sort desc -o /dev/null: $milliseconds ms, peak anonymous $peak MiB for $input_mib MiB of input"
echo "pages swapped out meanwhile: $(( $(swapped) - swap_before )); out-of-memory kills: $(( $(killed) - kills_before ))"
