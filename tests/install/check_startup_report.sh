#!/usr/bin/env bash
# Judges what the startup probe saw in an installed window: the caption, the theme and the hand
# cursor found beside the program, the sample listed by "Load Sample File" at its installed
# path, and the rows "Start Counting" gave for it, which must be velmora-count's rows.
#
# Usage: check_startup_report.sh REPORT INSTALLED_SAMPLE VELMORA_COUNT_OUTPUT
set -euo pipefail

report=$1
sample=$2
count_output=$3

problems=()
expect_line() {
    grep -qxF "$1" "$report" || problems+=("no \"$1\"")
}
expect_line "caption: Velmora"
expect_line "theme: applied"
expect_line "hand cursor: loaded"
expect_line "message: Done."
[[ $(grep '^listed: ' "$report" || true) == "listed: $sample" ]] \
    || problems+=("the file list holds $(grep '^listed: ' "$report" | tr '\n' ' ' || true), not $sample")
rows=$(sed -n 's/^row: //p' "$report")
[[ -n $rows ]] || problems+=("the window counted no rows")
[[ $rows == "$(tr -d '\r' <"$count_output")" ]] || problems+=("the window's rows differ from velmora-count's")

if [[ ${#problems[@]} -gt 0 ]]; then
    printf 'installed window: %s\n' "${problems[@]}" >&2
    echo "--- what the window showed:" >&2
    cat "$report" >&2
    exit 1
fi
