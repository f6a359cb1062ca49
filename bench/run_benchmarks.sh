#!/usr/bin/env bash
# Measures velmora-count against cat, mawk and grep on the generated 512 MiB input, each
# round running every command once in turn so that a busy moment of the machine hits them
# alike, then prints medians and ratios; then the store and sort figures of the window's
# path. Usage: bench/run_benchmarks.sh [ROUNDS]   (from anywhere; builds what it needs)
set -euo pipefail
source "$(dirname "$0")/anonymous_peak.sh"

rounds=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BENCH_BUILD:-$root/build-bench}
data=$build/bench-data
input=$data/input.txt
word=zephyrquartz
count_lines='{sub(/\r$/,""); if (length($0)) print length($0) "\t" $0}'

if [ ! -x "$build/bin/velmora-count" ] || [ "${VELMORA_BENCH_REBUILD:-0}" = 1 ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
        > /dev/null
fi
cmake --build "$build" --target velmora-count velmora-generate-input velmora-bench-store \
    > /dev/null
mkdir -p "$data"
if [ ! -s "$input" ]; then
    "$build/bin/velmora-generate-input" "$input"
fi
cat "$input" > /dev/null # into the page cache, as every later round finds it

now() { date +%s%N; }

# run NAME COMMAND...: times one command, its output going to a fresh file in $data.
declare -A times
run() {
    local name=$1
    shift
    rm -f "$data/out-$name"
    local start end
    start=$(now)
    "$@" > "$data/out-$name"
    end=$(now)
    times[$name]+="$(( (end - start) / 1000000 )) "
}

velmora_count() { "$build/bin/velmora-count" "$@"; }
grep_then_mawk() { grep -iF "$word" "$input" | mawk "$count_lines"; }

for ((round = 1; round <= rounds; round++)); do
    run cat cat "$input"
    run velmora velmora_count "$input"
    run mawk mawk "$count_lines" "$input"
    run grep_mawk grep_then_mawk
    run velmora_contains velmora_count --contains "$word" "$input"
    echo "round $round of $rounds done" >&2
done

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A medians
for name in cat velmora mawk grep_mawk velmora_contains; do
    medians[$name]=$(echo "${times[$name]}" | median)
    printf '%-18s median %6d ms   (rounds: %s)\n' "$name" "${medians[$name]}" "${times[$name]}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "velmora-count / cat              = $(ratio "${medians[velmora]}" "${medians[cat]}")  (target at most 1.3)"
echo "mawk / velmora-count             = $(ratio "${medians[mawk]}" "${medians[velmora]}")  (target at least 5)"
echo "velmora --contains / grep|mawk   = $(ratio "${medians[velmora_contains]}" "${medians[grep_mawk]}")  (target at most 1.0)"

rows=$(wc -l < "$data/out-velmora")
mawk_rows=$(wc -l < "$data/out-mawk")
matches=$(wc -l < "$data/out-velmora_contains")
grep_matches=$(wc -l < "$data/out-grep_mawk")
echo "rows: velmora $rows, mawk $mawk_rows; matches: velmora $matches, grep $grep_matches"
[ "$rows" = "$mawk_rows" ] && [ "$matches" = "$grep_matches" ] || { echo "row counts differ" >&2; exit 1; }

input_mib=$(( $(stat -c %s "$input") / 1048576 ))
peak=$( { /usr/bin/time -f %M "$build/bin/velmora-count" --sort desc -o "$data/out-sorted" "$input"; } 2>&1 )
read -r anonymous _ < <(anonymous_peak "$build/bin/velmora-count" --sort desc -o "$data/out-sorted" "$input")
echo "velmora-count --sort desc: peak memory $((peak / 1024)) MiB for $input_mib MiB of input, of it anonymous $anonymous MiB = $(ratio "$anonymous" "$input_mib") x   (target at most 0.35 x)"
peak=$( { /usr/bin/time -f %M "$build/bin/velmora-count" -o "$data/out-streamed" "$input"; } 2>&1 )
echo "velmora-count streaming: peak memory $((peak / 1024)) MiB"
"$build/bin/velmora-bench-store" "$input" 3
