#!/usr/bin/env bash
# Runs velmora-count as a script would and checks exit status, standard error and the exact
# bytes it writes. Usage: cli_test.sh PATH-TO-velmora-count
set -u
tool=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $1" >&2; }

# check NAME EXPECTED-STATUS EXPECTED-STDOUT(printf format) [STDERR-SUBSTRING] -- ARGS...
check() {
    local name=$1 status=$2 expected=$3 message=$4
    shift 5
    printf "$expected" > expected.out
    "$tool" "$@" > actual.out 2> actual.err < "${STDIN:-/dev/null}"
    local got=$?
    if [ "$got" -ne "$status" ]; then
        fail "$name: exit status $got, expected $status ($(cat actual.err))"
    elif ! cmp -s expected.out actual.out; then
        fail "$name: output differs: $(od -c actual.out | head -5)"
    elif [ -n "$message" ] && ! grep -qF -- "$message" actual.err; then
        fail "$name: standard error lacks '$message': $(cat actual.err)"
    elif [ -z "$message" ] && [ -s actual.err ]; then
        fail "$name: unexpected standard error: $(cat actual.err)"
    else
        pass
    fi
}

printf 'a\r\nb\r\n\r\n  \tx\nlast' > lines.txt
printf '' > empty.txt
printf 'xABCx\nxabcx\nother\n' > case.txt
printf 'aa\nb\ncc\nd\neee\n' > counts.txt
printf '\xff\xfea\x00\r\x00\n\x00\xc4\x00R\x00' > utf16le.txt
printf '\xfe\xff\x00a\x00\n\x00b' > utf16be.txt
printf 'caf\xe9\r\n' > cp1252.txt
mkdir folder

check crlf_rows 0 '1\ta\r\n1\tb\r\n4\t  \tx\r\n4\tlast\r\n' '' -- lines.txt
check lf_option 0 '1\ta\n1\tb\n4\t  \tx\n4\tlast\n' '' -- --lf lines.txt
check files_in_order 0 '2\taa\r\n1\tb\r\n2\tcc\r\n1\td\r\n3\teee\r\n1\ta\r\n1\tb\r\n4\t  \tx\r\n4\tlast\r\n' '' -- counts.txt lines.txt
check empty_file 0 '10\tempty file\r\n' '' -- empty.txt
check utf16le_to_utf8 0 '1\ta\r\n2\t\xc3\x84R\r\n' '' -- utf16le.txt
check utf16be_to_utf8 0 '1\ta\r\n1\tb\r\n' '' -- utf16be.txt
check eight_bit_bytes_kept 0 '4\tcaf\xe9\r\n' '' -- cp1252.txt
check contains_ignoring_case 0 '5\txABCx\r\n5\txabcx\r\n' '' -- --contains abc case.txt
check contains_matching_case 0 '5\txabcx\r\n' '' -- --contains abc --match-case case.txt
check contains_with_equals 0 '5\tother\r\n' '' -- --contains=THE case.txt
check not_contains 0 '5\tother\r\n' '' -- --not-contains ABC case.txt
check sort_desc_keeps_equal_counts_in_order 0 '3\teee\r\n2\taa\r\n2\tcc\r\n1\tb\r\n1\td\r\n' '' -- --sort desc counts.txt
check sort_asc_keeps_equal_counts_in_order 0 '1\tb\r\n1\td\r\n2\taa\r\n2\tcc\r\n3\teee\r\n' '' -- --sort asc counts.txt
STDIN=lines.txt check standard_input 0 '1\ta\r\n1\tb\r\n4\t  \tx\r\n4\tlast\r\n' '' -- -
STDIN=/dev/null check empty_standard_input 0 '10\tempty file\r\n' '' -- -
STDIN=utf16le.txt check standard_input_utf16 0 '1\ta\n2\t\xc3\x84R\n' '' -- --lf - --lf
check missing_file_others_counted 1 '1\tb\r\n' 'velmora-count: nosuch.txt: No such file or directory' -- --contains B nosuch.txt counts.txt
check folder_fails 1 '' 'velmora-count: folder: Is a directory' -- folder
check unknown_option 2 '' "unknown option '--frobnicate'" -- --frobnicate lines.txt
check no_file 2 '' 'no FILE given' -- --lf
check contains_and_not_contains 2 '' 'cannot be used together' -- --contains a --not-contains b lines.txt
check bad_sort 2 '' "--sort takes desc or asc, not 'up'" -- --sort up lines.txt
check missing_argument 2 '' "option '--contains' needs an argument" -- lines.txt --contains
check output_into_missing_folder 1 '' 'velmora-count: nosuch/out.txt:' -- -o nosuch/out.txt lines.txt
check output_to_full_disk 1 '' 'velmora-count: /dev/full: No space left on device' -- -o /dev/full lines.txt
check output_file 0 '' '' -- -o out.txt --lf counts.txt
if ! printf '2\taa\n1\tb\n2\tcc\n1\td\n3\teee\n' | cmp -s - out.txt; then fail "output_file: content"; else pass; fi
check double_dash_ends_options 1 '' 'velmora-count: --lf: No such file or directory' -- -- --lf

"$tool" --help > help.out 2>&1 && grep -q 'Usage: velmora-count' help.out && pass || fail help
"$tool" --version > version.out 2>&1 && grep -q '^velmora-count [0-9]' version.out && pass || fail version

# Many rows through the store: the first of the longest comes first.
awk 'BEGIN { for (i = 0; i < 300000; i++) printf "line number %d\r\n", i }' > many.txt
"$tool" many.txt --sort desc -o sorted.txt && [ "$(head -c 21 sorted.txt)" = "$(printf '18\tline number 100000')" ] && pass || fail sort_many

# The rows kept for sorting go to a spill file in $TMPDIR: a full disk there fails the file with
# its cause, and the rows kept before it are still sorted and written.
mkdir spill
if mount -t tmpfs -o size=64k tmpfs spill 2> /dev/null; then
    trap 'umount "$work/spill"; rm -rf "$work"' EXIT
    awk 'BEGIN { for (i = 0; i < 300000; i++) printf "a line for a small disk %d\n", i }' > spilled.txt
    TMPDIR=$work/spill "$tool" --sort desc -o sorted.txt spilled.txt 2> spill.err
    status=$?
    umount spill
    trap 'rm -rf "$work"' EXIT
    if [ "$status" -eq 1 ] && grep -qxF 'velmora-count: spilled.txt: No space left on device' spill.err \
        && [ "$(head -n 1 sorted.txt)" = "$(printf '30\ta line for a small disk 100000\r')" ]; then
        pass
    else
        fail "spill_to_full_disk: status $status, $(cat spill.err), $(head -n 1 sorted.txt)"
    fi
else
    echo "spill_to_full_disk: skipped, mounting a small file system needs root" >&2
fi

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
