#!/usr/bin/env bash
# Runs velmora-count as a script would and checks exit status, standard error and the exact
# bytes it writes. Usage: cli_test.sh PATH-TO-velmora-count
set -u
tool=$(realpath "$1")
work=$(mktemp -d)
small_disks=()
cleanup() {
    for disk in "${small_disks[@]}"; do umount "$disk" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
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

# -o naming an input, directly or through a link: every input is read before the output
# takes the file's place.
cp counts.txt self.txt
check output_onto_its_input 0 '' '' -- --lf -o self.txt self.txt
printf '2\taa\n1\tb\n2\tcc\n1\td\n3\teee\n' | cmp -s - self.txt && pass || fail "output_onto_its_input: $(od -c self.txt | head -3)"
cp counts.txt self.txt
ln -s self.txt self-link.txt
check output_onto_its_input_by_a_link 0 '' '' -- --lf --sort asc self.txt -o self-link.txt
printf '1\tb\n1\td\n2\taa\n2\tcc\n3\teee\n' | cmp -s - self.txt && [ -L self-link.txt ] && pass || fail output_onto_its_input_by_a_link

# Standard output appending to an input would read its own rows without end.
printf 'x\n' > appended.txt
"$tool" counts.txt appended.txt >> appended.txt 2> appended.err
[ $? -eq 1 ] && grep -qF 'velmora-count: appended.txt: input file is output file' appended.err && [ "$(sed -n 1p appended.txt)" = x ] && [ "$(wc -l < appended.txt)" -eq 6 ] && pass || fail "standard_output_onto_an_input: $(cat appended.err)"

# A link stays a link and its file gets the rows; a replaced file keeps its permission bits.
printf 'old\n' > linked.txt
chmod 640 linked.txt
ln -s linked.txt link.txt
check output_through_a_link 0 '' '' -- --lf -o link.txt lines.txt
[ -L link.txt ] && [ "$(stat -c %a linked.txt)" = 640 ] && [ "$(head -c 2 linked.txt)" = "$(printf '1\t')" ] && pass || fail "output_through_a_link: $(ls -l link.txt linked.txt)"
check output_dash_is_standard_output 0 '1\tb\n' '' -- --lf --contains b -o - counts.txt

# A FIFO is written, not replaced.
mkfifo rows.fifo
cat rows.fifo > from-fifo.out &
check output_into_a_fifo 0 '' '' -- --lf -o rows.fifo counts.txt
wait
[ -p rows.fifo ] && printf '2\taa\n1\tb\n2\tcc\n1\td\n3\teee\n' | cmp -s - from-fifo.out && pass || fail output_into_a_fifo
check output_onto_a_folder 1 '' 'velmora-count: folder: Is a directory' -- -o folder lines.txt

# Names that are not UTF-8 are opened by their bytes and named by them in messages.
printf 'latin\n' > "$(printf 'caf\xe9.txt')"
check latin1_file_name 0 '5\tlatin\n' '' -- --lf "$(printf 'caf\xe9.txt')"
check latin1_missing_file_name 1 '' "$(printf 'velmora-count: nosuch\xff.txt: No such file or directory')" -- "$(printf 'nosuch\xff.txt')"

# Standard output is checked however little goes to it.
"$tool" --contains b counts.txt > /dev/full 2> full.err
[ $? -eq 1 ] && grep -qF 'velmora-count: standard output: No space left on device' full.err && pass || fail "one_row_to_dev_full: $(cat full.err)"
"$tool" counts.txt >&- 2> closed.err
[ $? -eq 1 ] && grep -qF 'velmora-count: standard output: Bad file descriptor' closed.err && pass || fail "closed_standard_output: $(cat closed.err)"
"$tool" --help > /dev/full 2> help-full.err
[ $? -eq 1 ] && grep -qF 'No space left on device' help-full.err && pass || fail "help_to_dev_full: $(cat help-full.err)"
(trap '' PIPE; "$tool" many.txt 2> pipe.err | head -c 1 > /dev/null; exit "${PIPESTATUS[0]}")
[ $? -eq 1 ] && grep -qF 'velmora-count: standard output: Broken pipe' pipe.err && pass || fail "closed_pipe_with_sigpipe_ignored: $(cat pipe.err)"

# Interrupted while its reader is slow, it still ends on a whole row.
mkfifo slow.fifo
"$tool" --lf many.txt > slow.fifo 2> /dev/null &
writer=$!
exec 8< slow.fifo
sleep 0.3
kill -TERM "$writer"
cat <&8 > interrupted.out
exec 8<&-
wait "$writer"
status=$?
[ "$status" -eq 143 ] && [ "$(tail -c 1 interrupted.out | od -An -c | tr -d ' ')" = '\n' ] && ! grep -avqE '^[0-9]+	line number [0-9]+$' interrupted.out && pass || fail "interrupted_standard_output: status $status, ends $(tail -c 20 interrupted.out | od -c | head -2)"

# Interrupted while still reading, -o leaves the old file as it was and nothing beside it.
mkdir interrupted
printf 'the old results\n' > interrupted/old.txt
mkfifo slow-input.fifo
"$tool" -o interrupted/old.txt slow-input.fifo 2> /dev/null &
counter=$!
exec 9> slow-input.fifo
printf 'a line\n' >&9
sleep 0.3
kill -TERM "$counter"
exec 9>&-
wait "$counter"
status=$?
[ "$status" -eq 143 ] && [ "$(cat interrupted/old.txt)" = 'the old results' ] && [ "$(ls -A interrupted)" = old.txt ] && pass || fail "interrupted_output_file: status $status, $(ls -A interrupted): $(cat interrupted/old.txt)"

# A full or read-only file system: the old file stays as it was, nothing else is left behind,
# and the message names the cause.
small_disk() {
    mkdir "$1" && mount -t tmpfs -o "size=64k${2:+,$2}" tmpfs "$1" && small_disks+=("$PWD/$1")
}
if small_disk disk; then
    printf 'the old results\n' > disk/old.txt
    check full_disk_streaming 1 '' 'velmora-count: disk/old.txt: No space left on device' -- -o disk/old.txt many.txt
    [ "$(cat disk/old.txt)" = 'the old results' ] && [ "$(ls -A disk)" = old.txt ] && pass || fail "full_disk_streaming: $(ls -A disk)"
    check full_disk_sorted 1 '' 'velmora-count: disk/old.txt: No space left on device' -- --sort desc -o disk/old.txt many.txt
    [ "$(cat disk/old.txt)" = 'the old results' ] && [ "$(ls -A disk)" = old.txt ] && pass || fail "full_disk_sorted: $(ls -A disk)"
    check full_disk_new_file 1 '' 'velmora-count: disk/new.txt: No space left on device' -- -o disk/new.txt many.txt
    [ "$(ls -A disk)" = old.txt ] && pass || fail "full_disk_new_file: $(ls -A disk)"
    check small_output_fits 0 '' '' -- --lf -o disk/old.txt counts.txt
    printf '2\taa\n1\tb\n2\tcc\n1\td\n3\teee\n' | cmp -s - disk/old.txt && pass || fail small_output_fits
else
    echo "SKIP: full disk cases need root to mount a tmpfs" >&2
fi
if small_disk read-only ro; then
    check read_only_file_system 1 '' 'velmora-count: read-only/out.txt: Read-only file system' -- -o read-only/out.txt counts.txt
fi

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
