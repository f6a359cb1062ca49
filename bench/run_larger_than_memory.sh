#!/usr/bin/env bash
# The window and velmora-count --sort on an input of 1.25 times the machine's memory: the
# count, both sorts, a repaint at the last row, and the sorted output to /dev/null. Prints the
# times, the peak anonymous memory, and whether the system swapped or killed anything.
# Takes minutes and needs room for the input and a spill file of about the same size.
# Usage: bench/run_larger_than_memory.sh [FACTOR]   (default 1.25; from anywhere)
set -euo pipefail

factor=${1:-1.25}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BENCH_BUILD:-$root/build-bench}
input=$build/bench-data/larger-than-memory.txt

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

start=$(date +%s%N)
"$build/bin/velmora-count" --sort desc -o /dev/null "$input" &
pid=$!
peak=0
while kill -0 "$pid" 2> /dev/null; do
    now=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2> /dev/null || true)
    [ -n "$now" ] && [ "$now" -gt "$peak" ] && peak=$now
    sleep 0.2
done
wait "$pid"
end=$(date +%s%N)
input_mib=$(( $(stat -c %s "$input") / 1048576 ))
echo "velmora-count --sort desc -o /dev/null: $(( (end - start) / 1000000 )) ms, peak anonymous $((peak / 1024)) MiB for $input_mib MiB of input"
echo "pages swapped out meanwhile: $(( $(swapped) - swap_before )); out-of-memory kills: $(( $(killed) - kills_before ))"
