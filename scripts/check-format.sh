#!/usr/bin/env bash
# Fails, naming them, when C++ files differ from what clang-format makes of them with the
# .clang-format at the top. Fix them with: clang-format -i FILE...
# Usage: scripts/check-format.sh [FILE...]   (every C++ file under version control by default)
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -gt 0 ]]; then
    files=("$@")
elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) \
        -print | sed 's|^\./||' | sort)
fi

command -v clang-format >/dev/null || {
    echo "check-format: clang-format is not installed (scripts/install-dependencies.sh test)" >&2
    exit 1
}

# In batches on both cores; clang-format names each place that differs as FILE:LINE:COLUMN.
status=0
output=$(printf '%s\0' "${files[@]}" | xargs -0 -r -n 40 -P 2 clang-format --dry-run -Werror 2>&1) ||
    status=$?
differing=$(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
    <<<"$output" | sort -u)
if [[ -n $differing ]]; then
    echo "These files are not formatted as .clang-format asks (clang-format -i FILE... fixes them):" >&2
    echo "$differing" | sed 's/^/  /' >&2
    exit 1
fi
if [[ $status -ne 0 ]]; then
    echo "$output" >&2
    echo "check-format: clang-format failed" >&2
    exit 1
fi
