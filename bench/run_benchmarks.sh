#!/usr/bin/env bash
# Measures velmora-count on the generated 512 MiB input against dd copying the same file and
# against ripgrep for each filter, each round running every command once in turn so that a
# busy moment of the machine hits them alike, then prints medians and ratios (mawk, grep | mawk
# and cat for information); the same all-lines count and a filter both ways on the same text
# in accented Latin, CJK-heavy and CJK-heavy as UTF-16 with a mark; velmora-count -o against dd
# conv=fsync; then memory, and the store and sort figures of the window's path.
# Usage: bench/run_benchmarks.sh [ROUNDS]   (from anywhere; builds what it needs)
set -euo pipefail
source "$(dirname "$0")/anonymous_peak.sh"

rounds=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BENCH_BUILD:-$root/build-bench}
data=$build/bench-data
input=$data/input.txt
rare=zephyrquartz
count_lines='{sub(/\r$/,""); if (length($0)) print length($0) "\t" $0}'
# An ASCII word on many lines, a Latin word whose letters have case variants (k: KELVIN SIGN,
# s: LONG S), a CJK word without any, and a word on almost no line.
needles=(time käse 東京 "$rare")
# The inputs in other scripts, each with the needle its filters are measured with.
scripts=(latin cjk cjk-utf16le)
declare -A script_needle=([latin]=käse [cjk]=東京 [cjk-utf16le]=東京)

for tool in rg mawk grep dd; do
    command -v "$tool" > /dev/null || { echo "missing $tool: scripts/install-dependencies.sh bench" >&2; exit 1; }
done
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
for script in "${scripts[@]}"; do
    if [ ! -s "$data/$script.txt" ]; then
        "$build/bin/velmora-generate-input" --script "$script" "$data/$script.txt"
    fi
done
# Into the page cache, as every later round finds them.
cat "$input" > /dev/null
for script in "${scripts[@]}"; do cat "$data/$script.txt" > /dev/null; done

now() { date +%s%N; }

# A large write that follows a stream of small ones (mawk's, ripgrep's) can take a second
# longer on ext4 mounted with discard, whatever writes it; an untimed large copy before each
# command gives every one of them the same start.
settle() {
    dd if="$input" of="$data/settle" bs=1M status=none
    rm -f "$data/settle"
    sync
}

# run NAME COMMAND...: times one command writing to a fresh file in $data, on the same disk.
# run_into NAME COMMAND...: the same for a command that writes the file named $out itself.
declare -A times row_counts
names=()
timed() {
    local name=$1 into=$2
    shift 2
    [[ " ${names[*]} " == *" $name "* ]] || names+=("$name")
    out=$data/out-$name
    rm -f "$out"
    settle
    local start end
    start=$(now)
    if [ "$into" = file ]; then "$@" > /dev/null; else "$@" > "$out"; fi
    end=$(now)
    times[$name]+="$(( (end - start) / 1000000 )) "
    # Only the row count is kept: two dozen outputs of the input's size would fill a disk.
    row_counts[$name]=$(wc -l < "$out")
    rm -f "$out"
}
run() { timed "$1" stdout "${@:2}"; }
run_into() { timed "$1" file "${@:2}"; }

velmora() { "$build/bin/velmora-count" "$@"; }
# ripgrep ends with 1 when no line matches.
ripgrep() { rg --no-config "$@" || [ $? = 1 ]; }
copy() { dd if="${1:-$input}" bs=1M status=none; }
# velmora-count makes its output file durable before it replaces the target; so does dd here.
velmora_into() { velmora -o "$out" "$input"; }
copy_into() { dd if="$input" of="$out" bs=1M conv=fsync status=none; }
grep_then_mawk() { grep -iF "$rare" "$input" | mawk "$count_lines"; }

# filter_runs MODE NEEDLE CASE [SCRIPT]: velmora-count and ripgrep for one filter, on the
# input in SCRIPT (default: the mostly ASCII one).
filter_runs() {
    local mode=$1 needle=$2 case=$3 script=${4:-} tag file=$input
    tag=${mode#--}-$needle${case:+-case}
    [ -n "$script" ] && tag=$script:$tag && file=$data/$script.txt
    local velmora_case=() rg_case=(-i) rg_mode=()
    [ -n "$case" ] && velmora_case=(--match-case) && rg_case=()
    [ "$mode" = --not-contains ] && rg_mode=(-v)
    run "velmora $tag" velmora "$mode" "$needle" "${velmora_case[@]}" "$file"
    run "rg $tag" ripgrep -F "${rg_case[@]}" "${rg_mode[@]}" -- "$needle" "$file"
}

for ((round = 1; round <= rounds; round++)); do
    run dd copy
    run "velmora all" velmora "$input"
    for needle in "${needles[@]}"; do
        for mode in --contains --not-contains; do
            filter_runs "$mode" "$needle" ""
            filter_runs "$mode" "$needle" case
        done
    done
    for script in "${scripts[@]}"; do
        run "dd $script" copy "$data/$script.txt"
        run "velmora all $script" velmora "$data/$script.txt"
        for mode in --contains --not-contains; do
            filter_runs "$mode" "${script_needle[$script]}" "" "$script"
        done
    done
    run_into "dd conv=fsync" copy_into
    run_into "velmora -o" velmora_into
    run cat cat "$input"
    run mawk mawk "$count_lines" "$input"
    run grep_mawk grep_then_mawk
    echo "round $round of $rounds done" >&2
done

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
declare -A medians
for name in "${names[@]}"; do
    medians[$name]=$(echo "${times[$name]}" | median)
done
rows() { echo "${row_counts[$1]}"; }

all=${medians[velmora all]}
echo "medians of $rounds rounds, ms; outputs to files beside the input, removed once counted"
printf '%-34s %7s %9s\n' command median rows
for name in dd "velmora all" cat mawk grep_mawk; do
    printf '%-34s %7d %9s   (rounds: %s)\n' "$name" "${medians[$name]}" "$(rows "$name")" "${times[$name]}"
done
echo "velmora all / dd                 = $(ratio "$all" "${medians[dd]}")  (target at most 1.15)"
for script in "${scripts[@]}"; do
    printf '%-34s %7d %9s   (rounds: %s)\n' "dd $script" "${medians[dd $script]}" \
        "$(rows "dd $script")" "${times[dd $script]}"
    printf '%-34s %7d %9s   (rounds: %s)\n' "velmora all $script" \
        "${medians[velmora all $script]}" "$(rows "velmora all $script")" \
        "${times[velmora all $script]}"
    echo "velmora all $script / dd $script = $(ratio "${medians[velmora all $script]}" \
        "${medians[dd $script]}")  (target at most 1.15)"
done
for name in "dd conv=fsync" "velmora -o"; do
    printf '%-34s %7d %9s   (rounds: %s)\n' "$name" "${medians[$name]}" "$(rows "$name")" "${times[$name]}"
done
echo "velmora -o / dd conv=fsync       = $(ratio "${medians[velmora -o]}" "${medians[dd conv=fsync]}")  (target at most 1.15)"
echo
printf '%-34s %7s %7s %8s %9s %9s\n' filter velmora rg '/rg' rows rg-rows
slow=0
tags=()
for needle in "${needles[@]}"; do
    for mode in --contains --not-contains; do
        for case in "" case; do
            tags+=("${mode#--}-$needle${case:+-case}")
        done
    done
done
for script in "${scripts[@]}"; do
    for mode in --contains --not-contains; do
        tags+=("$script:${mode#--}-${script_needle[$script]}")
    done
done
for tag in "${tags[@]}"; do
    v=${medians[velmora $tag]}
    r=${medians[rg $tag]}
    printf '%-34s %7d %7d %8s %9s %9s\n' "$tag" "$v" "$r" "$(ratio "$v" "$r")" \
        "$(rows "velmora $tag")" "$(rows "rg $tag")"
    awk -v v="$v" -v r="$r" 'BEGIN { exit !(v > r) }' && slow=$((slow + 1))
done
echo "filters slower than ripgrep: $slow (target 0; /rg at most 1.00)"

[ "$(rows "velmora all")" = "$(rows mawk)" ] \
    && [ "$(rows "velmora contains-$rare")" = "$(rows grep_mawk)" ] \
    || { echo "row counts differ from mawk and grep" >&2; exit 1; }

input_mib=$(( $(stat -c %s "$input") / 1048576 ))
peak=$( { /usr/bin/time -f %M "$build/bin/velmora-count" --sort desc -o "$data/out-sorted" "$input"; } 2>&1 )
read -r anonymous _ < <(anonymous_peak "$build/bin/velmora-count" --sort desc -o "$data/out-sorted" "$input")
echo "velmora-count --sort desc: peak memory $((peak / 1024)) MiB for $input_mib MiB of input, of it anonymous $anonymous MiB = $(ratio "$anonymous" "$input_mib") x   (target at most 0.35 x)"
peak=$( { /usr/bin/time -f %M "$build/bin/velmora-count" -o "$data/out-streamed" "$input"; } 2>&1 )
rm -f "$data/out-sorted" "$data/out-streamed"
echo "velmora-count streaming: peak memory $((peak / 1024)) MiB"
"$build/bin/velmora-bench-store" "$input" 3
