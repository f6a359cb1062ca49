#!/usr/bin/env bash
# Measures velmora-count walking whole trees against ripgrep finding the same lines: the header
# files' lines longer than 100, in /usr/include and in the Python library, warm cache, each
# round running every command once in turn so that a busy moment hits them alike. Prints the
# medians, velmora / rg (target at most 1.00 on each tree) and velmora on one thread against two.
# Usage: bench/run_tree_bench.sh [ROUNDS] [TREE]...   (from anywhere; builds what it needs)
set -euo pipefail

rounds=${1:-7}
shift || true
trees=("$@")
if [ ${#trees[@]} -eq 0 ]; then
    trees=(/usr/include)
    for python_library in /usr/lib/python3.11 /usr/lib/python3; do
        [ -d "$python_library" ] && trees+=("$python_library") && break
    done
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BENCH_BUILD:-$root/build-bench}

command -v rg > /dev/null || { echo "missing rg: scripts/install-dependencies.sh bench" >&2; exit 1; }
if [ ! -x "$build/bin/velmora-count" ] || [ "${VELMORA_BENCH_REBUILD:-0}" = 1 ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
        > /dev/null
fi
cmake --build "$build" --target velmora-count > /dev/null
# Both write to a file: ripgrep writing to /dev/null may stop at a file's first match.
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

now() { date +%s%N; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

velmora() { "$build/bin/velmora-count" -rHn --ext h --longer-than 100 "$@"; }
# ripgrep ends with 1 when no line matches.
ripgrep() { rg --no-config -n -g '*.h' '^.{101,}' "$@" || [ $? = 1 ]; }

names=("velmora" "rg" "velmora -j 1" "velmora -j 2" "rg -j 1")
for tree in "${trees[@]}"; do
    declare -A times=() rows=()
    # run NAME COMMAND...: times one command, its rows to a file.
    run() {
        local name=$1 start end
        shift
        start=$(now)
        # Messages (a tree without one .h file is warned of) would only clutter the figures.
        "$@" > "$out/rows" 2> "$out/messages"
        end=$(now)
        times[$name]+="$(((end - start) / 1000000)) "
        rows[$name]=$(wc -l < "$out/rows")
    }
    # Once each, untimed: the tree's folders and files into the caches.
    velmora "$tree" > /dev/null 2>&1 || true
    ripgrep "$tree" > /dev/null 2>&1 || true
    for _ in $(seq "$rounds"); do
        run "velmora" velmora "$tree"
        run "rg" ripgrep "$tree"
        run "velmora -j 1" velmora -j 1 "$tree"
        run "velmora -j 2" velmora -j 2 "$tree"
        run "rg -j 1" ripgrep -j 1 "$tree"
    done
    declare -A medians=()
    echo "$tree ($(nproc) cores, $rounds rounds, median ms, rows)"
    for name in "${names[@]}"; do
        medians[$name]=$(median <<< "${times[$name]}")
        printf '  %-14s %6d ms  %7d rows\n' "$name" "${medians[$name]}" "${rows[$name]}"
    done
    echo "  velmora / rg (every core):  $(ratio "${medians[velmora]}" "${medians[rg]}")  (target <= 1.00)"
    echo "  velmora / rg (one thread):  $(ratio "${medians[velmora -j 1]}" "${medians[rg -j 1]}")"
    echo "  velmora 1 / 2 threads:      $(ratio "${medians[velmora -j 1]}" "${medians[velmora -j 2]}")"
    unset times rows medians
done
