#!/usr/bin/env bash
# Runs velmora-count as a script would and checks exit status, standard error and the exact
# bytes it writes. Usage: cli_test.sh PATH-TO-velmora-count
set -u
tool=$(realpath "$1")
completions=$(realpath "$(dirname "$0")/../../resources/completion")
matcher=$(realpath "$(dirname "$0")/../../resources/ci/velmora-count-matcher.json")
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
# STDIN=FILE feeds the tool that file; RUN_AS="COMMAND ..." runs it through that command.
check() {
    local name=$1 status=$2 expected=$3 message=$4
    shift 5
    printf "$expected" > expected.out
    ${RUN_AS:-} "$tool" "$@" > actual.out 2> actual.err < "${STDIN:-/dev/null}"
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

# interrupt_while_read_slowly ARGS...: runs the tool into a FIFO that is read only once its
# first row is there, when the tool gets SIGTERM; leaves what came out in interrupted.out and
# the exit status in $status.
interrupt_while_read_slowly() {
    rm -f slow.fifo && mkfifo slow.fifo
    "$tool" "$@" > slow.fifo 2> /dev/null &
    local writer=$! first_row
    exec 8< slow.fifo
    # Once the first row is there the writer is under way, however slow the build.
    IFS= read -r first_row <&8
    kill -TERM "$writer"
    { printf '%s\n' "$first_row"; cat <&8; } > interrupted.out
    exec 8<&-
    wait "$writer"
    status=$?
}

printf 'a\r\nb\r\n\r\n  \tx\nlast' > lines.txt
printf '' > empty.txt
printf 'xABCx\nxabcx\nother\n' > case.txt
printf 'aa\nb\ncc\nd\neee\n' > counts.txt
printf '\xff\xfea\x00\r\x00\n\x00\xc4\x00R\x00' > utf16le.txt
printf '\xfe\xff\x00a\x00\n\x00b' > utf16be.txt
# The last unit of each is cut short: its one byte is a character that cannot be decoded.
printf '\xff\xfea\x00\n\x00b\x00c' > utf16le-odd.txt
printf '\xfe\xff\x00a\x00\n\x00bc' > utf16be-odd.txt
printf 'caf\xe9\r\n' > cp1252.txt
printf 'short\nthis line is long\n\nmiddle line\nlong but skipped\n' > mixed.txt
# A plain line, a combining accent, a CJK character, an emoji, a tab after three and an
# invalid byte: their widths differ by unit.
printf 'abcd\ne\xcc\x81\n\xe4\xb8\xad\xe4\xb8\xad\n\xf0\x9f\x98\x80\nabc\tx\n\xff\n' > units.txt
# Hangul, whose lead ED also begins the encoded surrogates, which are three invalid bytes.
printf 'han \xed\x95\x9c\r\n\xed\xa0\x80\r\n' > hangul.txt
mkdir folder
mkdir -p tree/a tree/b tree/.hidden
printf 'z\n' > tree/z.txt
printf 'dot\n' > tree/.dot.txt
printf 'tmp\n' > tree/~tmp.txt
printf 'in a\n' > tree/a/x.txt
printf 'markdown\n' > tree/a/y.md
printf 'in b, longer\n' > tree/b/w.txt
printf 'hidden\n' > tree/.hidden/h.txt
ln -s .. tree/a/up

check crlf_rows 0 '1\ta\r\n1\tb\r\n4\t  \tx\r\n4\tlast\r\n' '' -- lines.txt
check lf_option 0 '1\ta\n1\tb\n4\t  \tx\n4\tlast\n' '' -- --lf lines.txt
check files_in_order 0 '2\taa\r\n1\tb\r\n2\tcc\r\n1\td\r\n3\teee\r\n1\ta\r\n1\tb\r\n4\t  \tx\r\n4\tlast\r\n' '' -- counts.txt lines.txt
# A file of zero bytes holds no line, as wc and grep see it; the window's row on request.
check empty_file 0 '' '' -- empty.txt
check empty_file_row 0 '10\tempty file\r\n' '' -- --empty-file-row empty.txt
check empty_file_among_others 0 '1\tb\r\n1\td\r\n' '' -- --shorter-than 2 empty.txt counts.txt empty.txt
check empty_file_summary 0 '0\t0\tempty.txt\n1\t1\tcounts.txt\n1\t1\ttotal\n' '' -- --summary --lf --contains b empty.txt counts.txt
check empty_file_row_summary 0 '1\t10\tempty.txt\r\n' '' -- --summary --empty-file-row empty.txt
check empty_file_check_passes 0 '' '' -- --check --longer-than 5 empty.txt
check empty_file_row_check_fails 1 '10\tempty file\r\n' '' -- --check --longer-than 5 --empty-file-row empty.txt
check utf16le_to_utf8 0 '1\ta\r\n2\t\xc3\x84R\r\n' '' -- utf16le.txt
check utf16be_to_utf8 0 '1\ta\r\n1\tb\r\n' '' -- utf16be.txt
check utf16le_odd_last_byte 0 '1\ta\n2\tb\xef\xbf\xbd\n' '' -- --lf utf16le-odd.txt
check utf16be_odd_last_byte 0 '1\ta\n2\tb\xef\xbf\xbd\n' '' -- --lf utf16be-odd.txt
check eight_bit_bytes_kept 0 '4\tcaf\xe9\r\n' '' -- cp1252.txt
check contains_ignoring_case 0 '5\txABCx\r\n5\txabcx\r\n' '' -- --contains abc case.txt
check contains_matching_case 0 '5\txabcx\r\n' '' -- --contains abc --match-case case.txt
check contains_with_equals 0 '5\tother\r\n' '' -- --contains=THE case.txt
check not_contains 0 '5\tother\r\n' '' -- --not-contains ABC case.txt
check sort_desc_keeps_equal_counts_in_order 0 '3\teee\r\n2\taa\r\n2\tcc\r\n1\tb\r\n1\td\r\n' '' -- --sort desc counts.txt
check sort_asc_keeps_equal_counts_in_order 0 '1\tb\r\n1\td\r\n2\taa\r\n2\tcc\r\n3\teee\r\n' '' -- --sort asc counts.txt
STDIN=lines.txt check standard_input 0 '1\ta\r\n1\tb\r\n4\t  \tx\r\n4\tlast\r\n' '' -- -
STDIN=/dev/null check empty_standard_input 0 '' '' -- -
STDIN=/dev/null check empty_standard_input_row 0 '10\tempty file\r\n' '' -- --empty-file-row -
STDIN=/dev/null check empty_standard_input_check_passes 0 '' '' -- --longer-than 5 --check
STDIN=/dev/null check empty_standard_input_summary 0 '0\t0\t(standard input)\n' '' -- --summary --lf
STDIN=utf16le.txt check standard_input_utf16 0 '1\ta\n2\t\xc3\x84R\n' '' -- --lf - --lf
check missing_file_others_counted 1 '1\tb\r\n' 'velmora-count: nosuch.txt: No such file or directory' -- --contains B nosuch.txt counts.txt
check folder_fails 1 '' 'velmora-count: folder: Is a directory' -- folder
check unknown_option 2 '' "unknown option '--frobnicate'" -- --frobnicate lines.txt
STDIN=counts.txt check no_file_reads_standard_input 0 '2\taa\n1\tb\n2\tcc\n1\td\n3\teee\n' '' -- --lf
check contains_and_not_contains 2 '' 'cannot be used together' -- --contains a --not-contains b lines.txt
check bad_sort 2 '' "--sort takes desc or asc, not 'up'" -- --sort up lines.txt
check missing_argument 2 '' "option '--contains' needs an argument" -- lines.txt --contains
check output_into_missing_folder 1 '' 'velmora-count: nosuch/out.txt:' -- -o nosuch/out.txt lines.txt
check output_to_full_disk 1 '' 'velmora-count: /dev/full: No space left on device' -- -o /dev/full lines.txt
check output_file 0 '' '' -- -o out.txt --lf counts.txt
if ! printf '2\taa\n1\tb\n2\tcc\n1\td\n3\teee\n' | cmp -s - out.txt; then fail "output_file: content"; else pass; fi
check double_dash_ends_options 1 '' 'velmora-count: --lf: No such file or directory' -- -- --lf

# Length thresholds, alone, together and with the text filter.
check longer_than 0 '2\taa\r\n2\tcc\r\n3\teee\r\n' '' -- --longer-than 1 counts.txt
check shorter_than 0 '1\tb\r\n1\td\r\n' '' -- --shorter-than 2 counts.txt
check longer_and_shorter 0 '2\taa\r\n2\tcc\r\n' '' -- --longer-than=1 --shorter-than 3 counts.txt
check longer_than_zero_every_row 0 '1\tb\r\n' '' -- --longer-than 0 --contains b counts.txt
check shorter_than_zero_no_row 0 '' '' -- --shorter-than 0 counts.txt
check threshold_and_contains 0 '17\tthis line is long\r\n' '' -- --contains long --longer-than 16 mixed.txt
check threshold_and_not_contains 0 '11\tmiddle line\r\n' '' -- --not-contains long --longer-than 5 mixed.txt
check threshold_sorted 0 '3\teee\r\n2\taa\r\n2\tcc\r\n' '' -- --sort desc --longer-than 1 counts.txt
check threshold_negative 2 '' "--longer-than takes a whole number from 0, not '-1'" -- --longer-than -1 counts.txt
check threshold_fraction 2 '' "--shorter-than takes a whole number from 0, not '1.5'" -- --shorter-than 1.5 counts.txt
check threshold_sign 2 '' "--longer-than takes a whole number from 0, not '+3'" -- --longer-than=+3 counts.txt
check threshold_empty 2 '' "--longer-than takes a whole number from 0, not ''" -- --longer-than= counts.txt
check threshold_too_large 2 '' "not '18446744073709551616'" -- --longer-than 18446744073709551616 counts.txt
check threshold_largest 0 '' '' -- --longer-than 18446744073709551615 counts.txt
check threshold_missing_number 2 '' "option '--shorter-than' needs an argument" -- counts.txt --shorter-than

# Where rows come from.
check with_filename 0 'counts.txt\t2\taa\r\ncounts.txt\t3\teee\r\n' '' -- -H --longer-than 1 --not-contains c counts.txt
check line_number_counts_empty_lines 0 '1\t1\ta\r\n2\t1\tb\r\n4\t4\t  \tx\r\n5\t4\tlast\r\n' '' -- -n lines.txt
check filename_then_line_number 0 'mixed.txt\t2\t17\tthis line is long\nmixed.txt\t5\t16\tlong but skipped\n' '' -- --with-filename --line-number --lf --longer-than 11 mixed.txt
check flags_bundled 0 'mixed.txt\t2\t17\tthis line is long\nmixed.txt\t5\t16\tlong but skipped\n' '' -- -Hn --lf --longer-than 11 mixed.txt
check located_rows_of_two_files 0 'counts.txt\t5\t3\teee\ncase.txt\t3\t5\tother\n' '' -- -nH --lf --contains e counts.txt case.txt
check located_rows_sorted 0 '2\t17\tthis line is long\n5\t16\tlong but skipped\n4\t11\tmiddle line\n1\t5\tshort\n' '' -- -n --lf --sort desc mixed.txt
check line_number_of_empty_file 0 '' '' -- -Hn empty.txt
check line_number_of_empty_file_row 0 'empty.txt\t1\t10\tempty file\r\n' '' -- -Hn --empty-file-row empty.txt
check line_number_utf16 0 '1\t1\ta\n2\t2\t\xc3\x84R\n' '' -- -n --lf utf16le.txt
STDIN=lines.txt check filename_of_standard_input 0 '(standard input)\t1\ta\n' '' -- -H --lf --shorter-than 2 --contains a
check unknown_bundle 2 '' "unknown option '-Hx'" -- -Hx counts.txt

# One line per file.
check summary_one_file 0 '5\t3\tcounts.txt\r\n' '' -- --summary counts.txt
check summary_with_total 0 '5\t3\tcounts.txt\n4\t4\tlines.txt\n9\t4\ttotal\n' '' -- --summary --lf counts.txt lines.txt
check summary_of_passed_rows 0 '1\t3\tcounts.txt\r\n3\t5\tcase.txt\r\n0\t0\tempty.txt\r\n4\t5\ttotal\r\n' '' -- --summary --longer-than 2 --not-contains empty counts.txt case.txt empty.txt
check summary_no_row 0 '0\t0\tcounts.txt\r\n' '' -- --summary --longer-than 100 counts.txt
check summary_skips_missing_file 1 '5\t3\tcounts.txt\r\n' 'velmora-count: nosuch.txt: No such file or directory' -- --summary counts.txt nosuch.txt
check summary_sorted_by_longest 0 '3\t5\tcase.txt\n4\t4\tlines.txt\n5\t3\tcounts.txt\n12\t5\ttotal\n' '' -- --summary --sort desc --lf counts.txt case.txt lines.txt
check summary_ignores_location 0 '5\t3\tcounts.txt\n' '' -- --summary -Hn --lf counts.txt
STDIN=counts.txt check summary_of_standard_input 0 '5\t3\t(standard input)\n' '' -- --summary --lf

# Folders walked as the window walks them: own files first, level by level, sorted by name,
# hidden folders, names beginning with ~ and the link back up left out.
check recursive_every_file 0 '1\t3\ttree/.dot.txt\n1\t1\ttree/z.txt\n1\t4\ttree/a/x.txt\n1\t8\ttree/a/y.md\n1\t12\ttree/b/w.txt\n5\t12\ttotal\n' '' -- -r --summary --lf tree
check recursive_by_extension 0 'tree/a/y.md\t8\tmarkdown\n' '' -- --recursive --ext md -H --lf tree
check recursive_trailing_separator 0 '1\t12\ttree/b/w.txt\n' '' -- -r --ext txt --summary --lf tree/b/
check recursive_file_argument 0 '1\t8\ttree/a/y.md\n1\t12\ttree/b/w.txt\n2\t12\ttotal\n' '' -- -r --ext txt --summary --lf tree/a/y.md tree/b
check recursive_ext_empty 2 '' '--ext takes an extension' -- -r --ext '' tree
check folder_without_recursive 1 '1\t1\ttree/z.txt\n' 'velmora-count: tree: Is a directory' -- --summary --lf tree tree/z.txt

# A tree deeper than one path may be long is walked to its end, and its files are counted.
# Built in two halves, each short enough for mkdir, the lower moved under the upper.
half=$(printf 'd/%.0s' $(seq 1500))
mkdir -p "deep/$half" "lower/${half%d/}"
printf 'top\n' > deep/top.txt
printf 'deep line\n' > "lower/${half%d/}f.txt"
mv lower "deep/${half}d"
deep_file="deep/$(printf 'd/%.0s' $(seq 3000))f.txt"
check recursive_file_beyond_the_path_limit 0 "deep/top.txt\t3\ttop\n$deep_file\t9\tdeep line\n" '' -- -r -H --lf deep

# What the walk cannot reach is named once, and the exit status says so; the rest is counted.
mkdir -p looped/s
printf 'in s\n' > looped/s/b.txt
ln -s loop looped/s/loop
check recursive_link_loop_named 1 'looped/s/b.txt\t4\tin s\n' 'velmora-count: looped/s/loop: Too many levels of symbolic links' -- -r -H --lf looped
[ "$(wc -l < actual.err)" -eq 1 ] && pass || fail "recursive_link_loop_named_once: $(cat actual.err)"
printf 'the old results\n' > looped.out
check recursive_link_loop_keeps_output 1 '' 'velmora-count: looped.out left as it was' -- -r -o looped.out looped
[ "$(cat looped.out)" = 'the old results' ] && pass || fail "recursive_link_loop_keeps_output: $(cat looped.out)"
mkdir -p locked/shut
printf 'open\n' > locked/a.txt
printf 'shut\n' > locked/shut/x.txt
chmod 000 locked/shut
# Root reads every folder: the run is made as nobody, whom the work folder must let in.
as_nobody=
if [ "$(id -u)" -eq 0 ]; then
    as_nobody='setpriv --reuid=65534 --regid=65534 --clear-groups'
    chmod 711 "$work"
fi
RUN_AS=$as_nobody check recursive_unreadable_folder_named 1 'locked/a.txt\t4\topen\n' 'velmora-count: locked/shut: Permission denied' -- -r -H --lf locked
[ "$(wc -l < actual.err)" -eq 1 ] && pass || fail "recursive_unreadable_folder_named_once: $(cat actual.err)"
RUN_AS=$as_nobody check check_unreadable_folder_is_trouble 2 '' 'velmora-count: locked/shut: Permission denied' -- --check -r --longer-than 9 locked
# Files counted on several threads give the bytes and messages of one thread, whatever the
# options: a tree of many files, some with no row, one with rows enough to be handed over in
# several pieces, and unreadable files and a dangling link among them, the first file one of
# them. Each row holds OPTIONS, run with -j 1, then with -j 2 and -j 7 compared with it.
mkdir -p many/a many/b/c
printf 'secret\n' > many/a/0-first-unreadable.txt
for i in $(seq 1 60); do
    printf 'line %d of a\nshort\n%*s\n' "$i" "$i" x > "many/a/f$i.txt"
    printf 'b %d\n\n' "$i" > "many/b/g$i.txt"
done
: > many/b/c/empty.txt
awk 'BEGIN { for (i = 0; i < 20000; i++) printf "row %d of the large file\n", i }' > many/b/c/large.txt
printf 'locked\n' > many/b/locked.txt
ln -s nowhere many/b/dangling.txt
chmod 000 many/a/0-first-unreadable.txt many/b/locked.txt
while IFS= read -r options; do
    $as_nobody "$tool" -j 1 $options > one.out 2> one.err
    one_status=$?
    # A failed output ends the run before the files are told of.
    [[ $options == *' -o '* ]] || grep -qF 'many/b/locked.txt: Permission denied' one.err ||
        fail "threads_same_output ($options): the unreadable file not told: $(cat one.err)"
    for threads in 2 7; do
        $as_nobody "$tool" -j "$threads" $options > threads.out 2> threads.err
        status=$?
        [ "$status" -eq "$one_status" ] && cmp -s one.out threads.out && cmp -s one.err threads.err && pass ||
            fail "threads_same_output ($options, -j $threads): status $status, not $one_status: $(diff one.out threads.out | head -3) $(diff one.err threads.err | head -3)"
    done
done << 'ROWS'
-r --lf many
-rHn many
-rHn --longer-than 9 --units columns --lf many/b many/a many/b
-r --summary --lf many
-r --summary --sort desc many
-rn --sort asc --shorter-than 20 many
-rH --check --longer-than 60 many
-rH --check --contains of --lf many
-rHn -o /dev/full many
ROWS
chmod 644 many/a/0-first-unreadable.txt many/b/locked.txt
# One large file is cut into ranges counted on several threads (from three on), its rows written
# in order: the bytes, messages and status of one thread whatever the options. Lines of every
# length cross the cuts, one of megabytes across the first, with CRLF, multi-byte characters and
# empty lines; the same text as UTF-16 with a mark. Just over two ranges, as the sanitizers' runs
# are slow.
awk 'BEGIN {
    srand(7)
    for (i = 0; i < 150000; i++) {
        n = int(rand() * 60)
        line = sprintf("%d", i)
        for (j = 0; j < n; j++) line = line (j % 9 == 0 ? "é" : j % 13 == 0 ? "東" : "a")
        printf "%s%s", line, (i % 5 == 0 ? "\r\n" : i % 7 == 0 ? "\n\n" : "\n")
        if (i == 90000) { for (j = 0; j < 2500000; j++) printf "l"; printf "\n" }
    }
    printf "last line without a line feed é"
}' > ranges.txt
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE ranges.txt; } > ranges16.txt
while IFS= read -r options; do
    "$tool" -j 1 $options > one.out 2> one.err
    one_status=$?
    for threads in 3 7; do
        "$tool" -j "$threads" $options > threads.out 2> threads.err
        status=$?
        [ "$status" -eq "$one_status" ] && cmp -s one.out threads.out && cmp -s one.err threads.err && pass ||
            fail "ranges_same_output ($options, -j $threads): status $status, not $one_status: $(cmp one.out threads.out) $(diff one.err threads.err | head -3)"
    done
done << 'ROWS'
ranges.txt
--lf ranges16.txt
--contains é --lf ranges.txt
--not-contains A --match-case ranges16.txt
--longer-than 40 --units bytes --lf ranges.txt
--shorter-than 3 --units columns ranges.txt
-o /dev/full ranges.txt
ROWS
[ "$(wc -l < one.err)" -eq 1 ] && pass || fail "ranges_output_failure_told_once: $(cat one.err)"
"$tool" -j 1 --lf ranges.txt > one.out
"$tool" -j 7 --lf -o ranges.out ranges.txt && cmp -s one.out ranges.out && pass || fail "ranges_output_file: $(cmp one.out ranges.out)"
# Interrupted while its reader is slow, a count in ranges ends on a whole row too.
interrupt_while_read_slowly -j 3 --lf ranges.txt
[ "$status" -eq 143 ] && [ "$(tail -c 1 interrupted.out | od -An -c | tr -d ' ')" = '\n' ] &&
    [ "$(wc -c < interrupted.out)" -lt "$(wc -c < one.out)" ] && cmp -s interrupted.out <(head -c "$(wc -c < interrupted.out)" one.out) && pass ||
    fail "ranges_interrupted_standard_output: status $status, $(wc -c < interrupted.out) bytes, ends $(tail -c 20 interrupted.out | od -c | head -2)"
rm -f ranges.txt ranges16.txt ranges.out one.out threads.out interrupted.out
check threads_zero 2 '' '--threads takes a number of threads from 1 to 1024, not '"'0'" -- --threads 0 lines.txt
check threads_not_a_number 2 '' "-j takes a number of threads from 1 to 1024, not 'all'" -- -j all lines.txt

# Rows of a later file wait in bounded memory while the file before them is still counted:
# a FIFO holds the head open while the next file's six million rows are counted. A sanitizer's
# shadow memory grows with every byte the program touches, so under one the peak would measure
# the sanitizer: it is not taken there, and a tenth of the rows check the order.
held_rows=6000000
sanitized=false
if ldd "$tool" | grep -qE 'lib[at]san'; then
    sanitized=true
    held_rows=600000
fi
awk -v rows="$held_rows" 'BEGIN { for (i = 0; i < rows; i++) print "x" }' > many-rows.txt
rm -f held.fifo && mkfifo held.fifo
{ printf 'first\n'; sleep 4; printf 'last\n'; } > held.fifo &
"$tool" -j 2 --lf held.fifo many-rows.txt > held.out 2> held.err &
counter=$!
sleep 3
peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$counter/status")
wait "$counter"
status=$?
if ! $sanitized; then
    [ "${peak:-0}" -gt 0 ] && [ "$peak" -lt 65536 ] && pass || fail "threads_wait_in_bounded_memory: peak ${peak:-unknown} KiB"
fi
[ "$status" -eq 0 ] && [ "$(head -c 18 held.out)" = "$(printf '5\tfirst\n4\tlast\n1\tx')" ] &&
    [ "$(wc -l < held.out)" -eq $((held_rows + 2)) ] && pass ||
    fail "threads_wait_in_order: status $status, $(head -c 40 held.out | od -c | head -3) $(cat held.err)"
rm -f many-rows.txt held.out
chmod 700 "$work"
chmod 755 locked/shut

# Which files a walk takes: every --ext spelling, repeated or listed, and a warning for one
# that takes nothing; --exclude in .gitignore syntax; --max-depth.
every_tree_file='1\t3\ttree/.dot.txt\n1\t1\ttree/z.txt\n1\t4\ttree/a/x.txt\n1\t8\ttree/a/y.md\n1\t12\ttree/b/w.txt\n5\t12\ttotal\n'
check ext_repeated 0 "$every_tree_file" '' -- -r --ext md --ext txt --summary --lf tree
check ext_list 0 "$every_tree_file" '' -- -r --ext md,txt --summary --lf tree
check ext_with_dot 0 'tree/a/y.md\t8\tmarkdown\n' '' -- -r --ext .md -H --lf tree
check ext_as_glob 0 'tree/a/y.md\t8\tmarkdown\n' '' -- -r --ext '*.md' -H --lf tree
check ext_star_every_file 0 "$every_tree_file" '' -- -r --ext '*' --summary --lf tree
check ext_unmatched_warns 0 'tree/a/y.md\t8\tmarkdown\n' 'velmora-count: --ext cpp matched no file' -- -r --ext md,cpp -H --lf tree
check ext_unmatched_in_every_folder 0 '' 'velmora-count: --ext h matched no file' -- -r --ext h tree/a tree/b
check ext_empty_in_list 2 '' "--ext takes an extension such as txt, a list such as h,cpp, or *, not 'h,'" -- -r --ext h, tree
check exclude_folder 0 '1\t3\ttree/.dot.txt\n1\t1\ttree/z.txt\n1\t12\ttree/b/w.txt\n3\t12\ttotal\n' '' -- -r --exclude a/ --summary --lf tree
check exclude_name_at_any_depth 0 '1\t3\ttree/.dot.txt\n1\t1\ttree/z.txt\n1\t8\ttree/a/y.md\n3\t8\ttotal\n' '' -- -r --exclude '*.txt' --exclude '!.dot.txt' --exclude '!z.txt' --summary --lf tree
check exclude_anchored 0 '1\t3\ttree/.dot.txt\n1\t4\ttree/a/x.txt\n1\t8\ttree/a/y.md\n1\t12\ttree/b/w.txt\n4\t12\ttotal\n' '' -- -r --exclude /z.txt --exclude /x.txt --summary --lf tree
check exclude_path_below_walked_folder 0 '1\t8\ttree/a/y.md\n' '' -- -r --max-depth 0 --exclude x.txt --summary --lf tree/a
check exclude_empty 2 '' '--exclude takes a pattern' -- -r --exclude '' tree
check max_depth_zero 0 '1\t3\ttree/.dot.txt\n1\t1\ttree/z.txt\n2\t3\ttotal\n' '' -- -r --max-depth 0 --summary --lf tree
check max_depth_one 0 "$every_tree_file" '' -- -r --max-depth=1 --summary --lf tree
check max_depth_negative 2 '' "--max-depth takes a whole number from 0, not '-1'" -- -r --max-depth -1 tree

# A link that leads round in a loop is named for what it is, not as a missing file.
ln -s self-loop self-loop
check link_loop_named_as_file 1 '' 'velmora-count: self-loop: Too many levels of symbolic links' -- self-loop

# Binary files: a walk passes over a file whose first block holds a NUL, but for 16-bit text
# with a mark; --binary counts it, and a file named as FILE is always counted.
mkdir binary binary-one
printf '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x3e\x00\nline\n' > binary/elf
printf '\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x2b\x49\xad\x28\xe1\x02\x00' > binary/data.gz
printf '\xef\xbb\xbfutf-8 mark\x00\n' > binary/mark.txt
cp utf16le.txt binary/le.txt
cp utf16be.txt binary/be.txt
# The NUL comes after the first block of 1 MiB, which alone is looked at.
awk 'BEGIN { for (i = 0; i < 11000; i++) printf "%099d\n", 0; printf "b\0c\n" }' > binary/late-nul.txt
printf 'a\x00b\n' > binary-one/nul.txt
check binary_passed_over 0 '2\t1\tbinary/be.txt\n11001\t99\tbinary/late-nul.txt\n2\t2\tbinary/le.txt\n11005\t99\ttotal\n' '' -- -r --summary --lf binary
check binary_passed_over_in_silence 0 '' '' -- -r -H --lf binary-one
check binary_counted_with_option 0 '1\t3\tbinary-one/nul.txt\n' '' -- -r --binary --summary --lf binary-one
check binary_named_file_counted 0 '1\t3\tbinary-one/nul.txt\n' '' -- -r --summary --lf binary-one/nul.txt
check binary_check_passes 0 '' '' -- -r --check binary-one

# The walk looks up only what its listing does not tell: 300 files in three folders cost a
# handful of stat calls, not one each.
mkdir -p many-files/a many-files/b
for i in $(seq 100); do
    printf 'x\n' > "many-files/$i.txt" && printf 'x\n' > "many-files/a/$i.txt" && printf 'x\n' > "many-files/b/$i.txt"
done
if strace -o /dev/null true 2> /dev/null; then
    strace -f -c -o walk.strace -e trace=stat,lstat,newfstatat,statx "$tool" -r --ext none many-files 2> /dev/null
    stats=$(awk '$NF == "total" { print $4 }' walk.strace)
    [ -n "$stats" ] && [ "$stats" -lt 30 ] && pass || fail "walk_without_stat_per_file: $stats stat calls: $(cat walk.strace)"
fi

# .ignore files are read anywhere, in .gitignore syntax, the deeper one deciding; a
# .gitignore outside a git work tree is not git's, and --no-ignore reads none.
mkdir -p plain/skip plain/sub
printf '*.log\nskip/\n' > plain/.ignore
printf 'a.txt\n' > plain/.gitignore
printf '!keep.log\n' > plain/sub/.ignore
for name in a.txt b.log skip/c.txt sub/d.log sub/keep.log; do printf '%s\n' "$name" > "plain/$name"; done
check ignore_file_outside_git 0 '1\t5\tplain/a.txt\n1\t12\tplain/sub/keep.log\n2\t12\ttotal\n' '' -- -r --ext txt,log --summary --lf plain
check ignore_file_above_walked_folder 0 '1\t12\tplain/sub/keep.log\n' '' -- -r --ext log --summary --lf plain/sub
check no_ignore 0 '1\t5\tplain/a.txt\n1\t5\tplain/b.log\n1\t10\tplain/skip/c.txt\n1\t9\tplain/sub/d.log\n1\t12\tplain/sub/keep.log\n5\t12\ttotal\n' '' -- -r --no-ignore --ext txt,log --summary --lf plain

# In a git work tree the walk takes what `git ls-files -co --exclude-standard` lists, less
# what its own rules leave out: files in folders beginning with "." and names beginning
# with "~". The same below a sub-folder, whose .gitignore files above still count.
if command -v git > /dev/null; then
    git_home=$work/git-home
    mkdir -p "$git_home/config/git" repo
    printf '*.tmp\n' > "$git_home/config/git/ignore"
    with_git_home="env HOME=$git_home XDG_CONFIG_HOME=$git_home/config GIT_CONFIG_NOSYSTEM=1"
    (cd repo && $with_git_home git init -q .)
    printf '*.o\n!keep.o\nbuild/\n/top-only.txt\n*.log\ndoc/**/*.bak\n\\#literal\n' > repo/.gitignore
    mkdir -p repo/src/build repo/src/deep/er repo/build repo/doc/a/b repo/.hidden repo/src/vendor
    printf 'generated.c\n!important.log\nvendor/*\n!vendor/kept.c\n' > repo/src/.gitignore
    printf 'secret.txt\n' > repo/.git/info/exclude
    for name in a.c a.o keep.o top-only.txt src/top-only.txt build/x.c src/build/y.c \
        src/generated.c src/main.c secret.txt src/secret.txt x.tmp important.log \
        src/important.log doc/~draft.md doc/a/b/old.bak doc/keep.md .hidden/h.c .env \
        src/deep/er/z.c '#literal' src/vendor/lib.c src/vendor/kept.c .gitignore; do
        [ -e "repo/$name" ] || printf 'text of %s\n' "$name" > "repo/$name"
    done
    for folder in repo repo/src; do
        (cd "$folder" && $with_git_home git ls-files -co --exclude-standard) |
            grep -Ev '(^|/)\.[^/]*/|(^|/)~[^/]*$' | sed "s|^|$folder/|" | sort > git.list
        RUN_AS=$with_git_home check "git_work_tree_${folder//\//_}" 0 '' '' -- -r --summary --lf "$folder" -o walk.out
        cut -f3 walk.out | grep -v '^total$' | sort > walk.list
        if [ "$(wc -l < git.list)" -lt 5 ] || ! cmp -s git.list walk.list; then
            fail "git_work_tree_${folder//\//_}: walked files differ from git's: $(diff git.list walk.list | tr '\n' ' ')"
        else
            pass
        fi
    done
    # A linked work tree's ".git" file names the repository: git's, not a file of the tree.
    (cd repo && $with_git_home git add a.c &&
        $with_git_home git -c user.name=t -c user.email=t@t commit -qm t &&
        $with_git_home git worktree add -q ../linked 2> /dev/null)
    RUN_AS=$with_git_home check git_linked_work_tree 0 '1\t11\tlinked/a.c\n' '' -- -r --summary --lf linked
    # A .ignore decides before any .gitignore, as in ripgrep: it takes back a.o.
    printf '!a.o\n' > repo/.ignore
    RUN_AS=$with_git_home check dot_ignore_before_gitignore 0 '1\t11\trepo/a.o\n1\t14\trepo/keep.o\n2\t14\ttotal\n' '' -- -r --ext o --summary --lf repo
    RUN_AS=$with_git_home check git_no_ignore 0 '1\t23\trepo/src/generated.c\n1\t18\trepo/src/main.c\n1\t21\trepo/src/build/y.c\n1\t25\trepo/src/vendor/kept.c\n1\t24\trepo/src/vendor/lib.c\n1\t23\trepo/src/deep/er/z.c\n6\t25\ttotal\n' '' -- -r --no-ignore --ext c --summary --lf repo/src
fi

# A gate for CI: the exit status says whether a row passed, 2 for trouble.
check check_no_row 0 '' '' -- --check --longer-than 3 counts.txt
check check_some_row 1 '3\teee\r\n' '' -- --check --longer-than 2 counts.txt
check check_summary 1 '1\t3\tcounts.txt\r\n' '' -- --check --summary --longer-than 2 counts.txt
check check_missing_file 2 '' 'velmora-count: nosuch.txt: No such file or directory' -- --check --longer-than 3 nosuch.txt counts.txt
check check_unreadable_folder 2 '' 'velmora-count: folder: Is a directory' -- --check folder
check check_write_failure 2 '' 'velmora-count: /dev/full: No space left on device' -- --check -o /dev/full counts.txt
check check_output_not_opened 2 '' 'velmora-count: nosuch/out.txt:' -- --check -o nosuch/out.txt counts.txt
check check_bad_usage 2 '' "unknown option '--frobnicate'" -- --check --frobnicate counts.txt

# Units: the count, the thresholds and the sort use the unit asked for.
check units_utf16 0 '4\tabcd\n2\te\xcc\x81\n2\t\xe4\xb8\xad\xe4\xb8\xad\n2\t\xf0\x9f\x98\x80\n5\tabc\tx\n1\t\xff\n' '' -- --lf units.txt
check units_chars 0 '4\tabcd\n2\te\xcc\x81\n2\t\xe4\xb8\xad\xe4\xb8\xad\n1\t\xf0\x9f\x98\x80\n5\tabc\tx\n1\t\xff\n' '' -- --lf --units chars units.txt
check units_bytes 0 '4\tabcd\n3\te\xcc\x81\n6\t\xe4\xb8\xad\xe4\xb8\xad\n4\t\xf0\x9f\x98\x80\n5\tabc\tx\n1\t\xff\n' '' -- --lf --units bytes units.txt
check hangul_and_surrogate_utf16 0 '5\than \xed\x95\x9c\n3\t\xed\xa0\x80\n' '' -- --lf hangul.txt
RUN_AS="env VELMORA_SIMD=sse2" check hangul_and_surrogate_sse2 0 '5\than \xed\x95\x9c\n3\t\xed\xa0\x80\n' '' -- --lf hangul.txt
# VELMORA_SIMD forces a level, which counts the same; a value that names none warns and is passed over.
units_rows='4\tabcd\n2\te\xcc\x81\n2\t\xe4\xb8\xad\xe4\xb8\xad\n2\t\xf0\x9f\x98\x80\n5\tabc\tx\n1\t\xff\n'
RUN_AS="env VELMORA_SIMD=portable" check simd_level_portable 0 "$units_rows" '' -- --lf units.txt
RUN_AS="env VELMORA_SIMD=" check simd_level_empty 0 "$units_rows" '' -- --lf units.txt
RUN_AS="env VELMORA_SIMD=avx512" check simd_level_unknown 0 "$units_rows" 'velmora: VELMORA_SIMD=avx512 is not a level this processor runs; using ' -- --lf units.txt
check units_columns 0 '4\tabcd\n1\te\xcc\x81\n4\t\xe4\xb8\xad\xe4\xb8\xad\n2\t\xf0\x9f\x98\x80\n9\tabc\tx\n1\t\xff\n' '' -- --lf --units=columns units.txt
check units_bytes_of_utf16_as_written 0 '2\t3\t\xc3\x84R\n' '' -- -n --lf --units bytes --longer-than 2 utf16le.txt
check units_columns_threshold_and_sort 0 '9\tabc\tx\n4\tabcd\n4\t\xe4\xb8\xad\xe4\xb8\xad\n' '' -- --lf --units columns --longer-than 3 --sort desc units.txt
check units_summary 0 '6\t6\tunits.txt\n' '' -- --lf --units bytes --summary units.txt
check units_unknown 2 '' "--units takes utf16, chars, bytes or columns, not 'cells'" -- --units cells units.txt

# Files the kernel makes as they are read report 0 bytes, or a page, whatever they hold: they
# are read to their end, as through a pipe.
for pseudo in /proc/version /sys/devices/system/cpu/online; do
    [ -r "$pseudo" ] || continue
    "$tool" "$pseudo" > pseudo.out 2> pseudo.err
    status=$?
    cat "$pseudo" | "$tool" > piped.out
    [ "$status" -eq 0 ] && [ ! -s pseudo.err ] && [ -s pseudo.out ] && cmp -s pseudo.out piped.out && pass ||
        fail "pseudo_file $pseudo: status $status, $(cat pseudo.err), $(od -c pseudo.out | head -2)"
done
if [ -r /proc/self/status ]; then
    check proc_status_of_its_reader 0 '' '' -- --summary -o proc-status.out /proc/self/status
fi

# A line past the memory kept for one line goes through a spill file: its row is still whole.
{ head -c 70000000 /dev/zero | tr '\0' 'a'; printf '\r\nshort\n'; } > long-line.txt
"$tool" --lf long-line.txt > long-line.out
{ printf '70000000\t'; head -c 70000000 long-line.txt; printf '\n5\tshort\n'; } | cmp -s - long-line.out && pass ||
    fail "long_line_rows: $(head -c 20 long-line.out | od -c | head -2)"
"$tool" --lf --not-contains short long-line.txt | cmp -s - <(head -n 1 long-line.out) && pass ||
    fail "long_line_filtered"
check long_line_summary 0 '2\t70000000\tlong-line.txt\n' '' -- --lf --summary long-line.txt
check long_line_lint 0 'long-line.txt:1:1: line is 70000000 UTF-16 units long\nlong-line.txt:2:1: line is 5 UTF-16 units long\n' '' -- --format lint long-line.txt
check long_line_lint_column 0 'long-line.txt:1:65537: line is 70000000 UTF-16 units long (limit 65536)\n' '' -- --format lint --longer-than 65536 long-line.txt
rm -f long-line.out

# A line without end is counted in bounded memory until an interrupt ends the count, which
# it heeds at once, however long the line has grown.
"$tool" --summary /dev/zero > zero.out 2> zero.err &
counter=$!
sleep 1
peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$counter/status")
kill -TERM "$counter"
for _ in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 "$counter" 2> /dev/null || break
    sleep 0.1
done
if kill -0 "$counter" 2> /dev/null; then
    kill -KILL "$counter"
    wait "$counter"
    fail "endless_line_interrupted: still running a second after SIGTERM"
else
    wait "$counter"
    status=$?
    [ "$status" -eq 143 ] && pass || fail "endless_line_interrupted: status $status, $(cat zero.err)"
fi
[ "${peak:-0}" -gt 0 ] && [ "$peak" -lt 65536 ] && pass || fail "endless_line_in_bounded_memory: peak ${peak:-unknown} KiB"

# A progress line on a terminal once a run has taken a second, erased when it ends; never on
# a file. The run is held open by a FIFO that gets its second line after two seconds.
slow_input() {
    rm -f slow.fifo && mkfifo slow.fifo
    { printf 'first\n'; sleep 2; printf 'second\n'; } > slow.fifo &
}
on_terminal() {
    script -qec "$1" /dev/null < /dev/null > terminal.log
}
slow_input
on_terminal "'$tool' --lf slow.fifo > slow.out"
wait
if ! grep -qE 'velmora-count: [0-9]+ B, [0-9.]+ [KMG]?i?B/s, [01] of 1 files' terminal.log; then
    fail "progress_on_a_terminal: $(od -c terminal.log | head -3)"
elif ! tail -c 4 terminal.log | cmp -s - <(printf '\r\033[K'); then
    fail "progress_erased_at_the_end: $(tail -c 20 terminal.log | od -c)"
elif ! printf '5\tfirst\n6\tsecond\n' | cmp -s - slow.out; then
    fail "progress_keeps_standard_output: $(od -c slow.out | head -3)"
else
    pass
fi
slow_input
on_terminal "'$tool' slow.fifo nosuch.txt > slow.out"
wait
grep -qF "$(printf '\r\033[K')velmora-count: nosuch.txt: No such file" terminal.log && pass ||
    fail "progress_erased_before_a_message: $(od -c terminal.log | tail -5)"
on_terminal "'$tool' counts.txt > fast.out"
[ ! -s terminal.log ] && pass || fail "progress_of_a_short_run: $(od -c terminal.log | head -3)"
slow_input
on_terminal "'$tool' --lf slow.fifo"
wait
printf '5\tfirst\r\n6\tsecond\r\n' | cmp -s - terminal.log && pass ||
    fail "no_progress_among_rows_on_the_terminal: $(od -c terminal.log | head -5)"
slow_input
on_terminal "'$tool' --lf -o slow.out slow.fifo"
wait
grep -qF 'of 1 files' terminal.log && pass || fail "progress_while_writing_a_file: $(od -c terminal.log | head -3)"
slow_input
check progress_never_on_a_file 0 '5\tfirst\n6\tsecond\n' '' -- --lf slow.fifo
wait

# Editors' messages: PATH:LINE:COL, COL the first character past the limit, counted in
# characters whatever the unit. The line holds a tab (8 columns wide here) and a CJK character
# (2 columns, 3 bytes, 1 UTF-16 unit).
printf 'ab\t\xe4\xb8\xadcdef\nxy\n' > lint.txt
check lint_without_limit 0 'lint.txt:1:1: line is 8 UTF-16 units long\nlint.txt:2:1: line is 2 UTF-16 units long\n' '' -- --format lint lint.txt
check lint_utf16 0 'lint.txt:1:4: line is 8 UTF-16 units long (limit 3)\n' '' -- --format lint --longer-than 3 lint.txt
check lint_chars 0 'lint.txt:1:5: line is 8 characters long (limit 4)\n' '' -- --format=lint --units chars --longer-than 4 lint.txt
check lint_bytes_col_in_characters 0 'lint.txt:1:5: line is 10 bytes long (limit 6)\n' '' -- --format lint --units bytes --longer-than 6 lint.txt
check lint_bytes_wide_character_across_the_limit 0 'lint.txt:1:4: line is 10 bytes long (limit 4)\n' '' -- --format lint --units bytes --longer-than 4 lint.txt
check lint_columns_tab_across_the_limit 0 'lint.txt:1:3: line is 14 columns long (limit 3)\n' '' -- --format lint --units columns --longer-than 3 lint.txt
check lint_columns_wide_character_across_the_limit 0 'lint.txt:1:4: line is 14 columns long (limit 9)\n' '' -- --format lint --units columns --longer-than 9 lint.txt
check lint_limit_and_shorter_than 0 'lint.txt:2:2: line is 2 characters long (limit 1)\n' '' -- --format lint --units chars --longer-than 1 --shorter-than 3 lint.txt
STDIN=lint.txt check lint_standard_input 0 '(standard input):1:4: line is 8 UTF-16 units long (limit 3)\n' '' -- --format lint --longer-than 3
check lint_ignores_location_flags 0 'lint.txt:1:4: line is 8 UTF-16 units long (limit 3)\n' '' -- -Hn --format lint --longer-than 3 lint.txt
check lint_sorted 0 'lint.txt:1:3: line is 8 UTF-16 units long (limit 2)\ncounts.txt:5:3: line is 3 UTF-16 units long (limit 2)\n' '' -- --format lint --sort desc --longer-than 2 counts.txt lint.txt
check lint_check 1 'lint.txt:1:4: line is 8 UTF-16 units long (limit 3)\n' '' -- --check --format lint --longer-than 3 lint.txt
check lint_rows_is_the_default 0 '8\tab\t\xe4\xb8\xadcdef\r\n' '' -- --format rows --longer-than 3 lint.txt
check lint_with_summary 2 '' '--summary cannot be used with --format lint' -- --summary --format lint lint.txt
check lint_unknown_format 2 '' "--format takes rows or lint, not 'json'" -- --format json lint.txt
# Every message matches the CI problem matcher, which finds its path, line and column.
"$tool" --format lint --longer-than 2 lint.txt counts.txt > lint-messages.out
python3 - "$matcher" lint-messages.out << 'EOF' && pass || fail "lint_problem_matcher: $(cat lint-messages.out)"
import json, re, sys
pattern = json.load(open(sys.argv[1]))["problemMatcher"][0]["pattern"][0]
found = []
for line in open(sys.argv[2]).read().splitlines():
    match = re.match(pattern["regexp"], line)
    assert match, line
    found.append(tuple(match.group(pattern[key]) for key in ("file", "line", "column", "message")))
assert found == [("lint.txt", "1", "3", "line is 8 UTF-16 units long (limit 2)"),
                 ("counts.txt", "5", "3", "line is 3 UTF-16 units long (limit 2)")], found
EOF
printf 'old\n' > lint.out

check lint_output_file 0 '' '' -- --format lint --longer-than 3 -o lint.out lint.txt
printf 'lint.txt:1:4: line is 8 UTF-16 units long (limit 3)\n' | cmp -s - lint.out && pass || fail "lint_output_file: $(cat lint.out)"

# -0: a NUL after each path, so that a path holding a tab or a line feed cannot forge a row.
odd=$'odd\tname\nline.txt'
printf 'x\n' > "$odd"
check null_after_path 0 'odd\tname\nline.txt\0001\tx\n' '' -- -H0 --lf "$odd"
check null_after_path_then_line_number 0 'odd\tname\nline.txt\0001\t1\tx\n' '' -- -Hn --null --lf "$odd"
check null_summary_ends_lines 0 '1\t1\todd\tname\nline.txt\0001\t1\ttree/z.txt\0002\t1\ttotal\0' '' -- --summary -0 "$odd" tree/z.txt
check null_lint 0 'odd\tname\nline.txt\0001:1: line is 1 UTF-16 units long\n' '' -- --format lint -0 "$odd"
check null_without_path_changes_nothing 0 '1\tx\r\n' '' -- -0 "$odd"

# --files0-from: the FILEs as find -print0 lists them.
printf 'counts.txt\0odd\tname\nline.txt\0' > names.list
check files0_from_file 0 '5\t3\tcounts.txt\n1\t1\todd\tname\nline.txt\n6\t3\ttotal\n' '' -- --files0-from names.list --summary --lf
STDIN=names.list check files0_from_standard_input 0 '5\t3\tcounts.txt\n1\t1\todd\tname\nline.txt\n6\t3\ttotal\n' '' -- --files0-from=- --summary --lf
printf 'counts.txt\0lines.txt' > unended.list
check files0_last_name_unended 0 '5\t3\tcounts.txt\n4\t4\tlines.txt\n9\t4\ttotal\n' '' -- --files0-from unended.list --summary --lf
printf '' > none.list
check files0_empty_list_counts_nothing 0 '' '' -- --files0-from none.list --summary
check files0_missing_list 1 '' 'velmora-count: nosuch.list: No such file or directory' -- --files0-from nosuch.list
check files0_list_is_a_folder 2 '' 'velmora-count: folder: Is a directory' -- --check --files0-from folder
printf 'counts.txt\0\0lines.txt\0' > gap.list
check files0_empty_name 1 '5\t3\tcounts.txt\n4\t4\tlines.txt\n9\t4\ttotal\n' 'velmora-count: gap.list:2: invalid zero-length file name' -- --files0-from gap.list --summary --lf
printf 'counts.txt\0-\0' > dash.list
STDIN=dash.list check files0_dash_among_names_from_standard_input 1 '5\t3\tcounts.txt\n' "velmora-count: -:2: when reading file names from standard input, no file name of '-' allowed" -- --files0-from - --summary --lf
STDIN=lines.txt check files0_dash_means_standard_input 0 '5\t3\tcounts.txt\n4\t4\t(standard input)\n9\t4\ttotal\n' '' -- --files0-from dash.list --summary --lf
check files0_with_operands 2 '' "extra operand 'lines.txt'" -- --files0-from names.list lines.txt
grep -qF 'file operands cannot be combined with --files0-from' actual.err && pass || fail "files0_with_operands: $(cat actual.err)"
check files0_empty_list_name 2 '' "option '--files0-from' needs a file name" -- --files0-from= counts.txt
printf 'the old results\n' > gap.out
check files0_failure_keeps_output 1 '' 'velmora-count: gap.out left as it was' -- --files0-from gap.list -o gap.out
[ "$(cat gap.out)" = 'the old results' ] && pass || fail "files0_failure_keeps_output: $(cat gap.out)"
mkdir -p listed/sub && printf 'walked\n' > listed/sub/w.txt && printf 'listed\0' > folder.list
check files0_folders_walked 0 'listed/sub/w.txt\t6\twalked\n' '' -- -rH --lf --files0-from folder.list

# The progress line fits a narrow terminal: cut, never wrapped.
slow_input
on_terminal "stty cols 24; '$tool' --lf slow.fifo > slow.out"
wait
progress_lines=$(tr '\r' '\n' < terminal.log | sed 's/\x1b\[K//g' | grep '^velmora-count')
if [ -z "$progress_lines" ]; then
    fail "progress_cut_to_the_terminal: no progress line: $(od -c terminal.log | head -3)"
elif [ "$(printf '%s\n' "$progress_lines" | awk '{ if (length($0) > max) max = length($0) } END { print max }')" -ne 23 ]; then
    fail "progress_cut_to_the_terminal: $(printf '%s\n' "$progress_lines" | head -3)"
else
    pass
fi

for option in --help -h; do
    "$tool" $option > help.out 2>&1 && grep -q 'Usage: velmora-count' help.out && pass || fail "help $option"
done
for option in --version -V; do
    "$tool" $option > version.out 2>&1 && grep -q '^velmora-count [0-9]' version.out && pass || fail "version $option"
done
# The help names every option, with an example of each job people bring to it.
for word in --longer-than --shorter-than -H, --with-filename -n, --line-number --summary \
    -r, --recursive --ext --exclude --max-depth --no-ignore --binary --check -j, --threads \
    --units utf16 chars bytes columns '-rHn --ext cpp' '--check docs' 'film.srt' \
    '--format rows|lint' -0, --null --empty-file-row --files0-from \
    'PATH:LINE:COL: line is COUNT UNIT long'; do
    grep -qF -- "$word" help.out || fail "help lacks '$word'"
done

# Many rows through the store: the first of the longest comes first.
awk 'BEGIN { for (i = 0; i < 300000; i++) printf "line number %d\r\n", i }' > many.txt
"$tool" many.txt --sort desc -o sorted.txt && [ "$(head -c 21 sorted.txt)" = "$(printf '18\tline number 100000')" ] && pass || fail sort_many

# An output file of many megabytes, handed to the disk in steps while it is written, holds
# what standard output gets.
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "a longer line, number %d\n", i }' > large.txt
"$tool" --lf large.txt > large-stdout.out && "$tool" --lf -o large-file.out large.txt \
    && cmp -s large-stdout.out large-file.out && pass || fail large_output_file

# Bash completion: the words offered for the words typed so far, the last one being completed.
# check_completion NAME SCRIPT FUNCTION EXPECTED-WORDS -- WORDS...
check_completion() {
    local name=$1 script=$2 function=$3 expected=$4
    shift 5
    local got
    got=$(bash -c 'source "$0"; f=$1; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        $f; printf "%s\n" "${COMPREPLY[@]}"' "$completions/$script" "$function" "$@" |
        sort | tr '\n' ' ')
    got=${got% }
    [ "$got" = "$expected" ] && pass || fail "$name: offered '$got', expected '$expected'"
}
check_completion option_name velmora-count _velmora_count '--units' -- velmora-count --un
check_completion check_option velmora-count _velmora_count '--check' -- velmora-count -r --ch
check_completion walk_options velmora-count _velmora_count '--exclude --ext' -- velmora-count -r --ex
check_completion no_guess_for_a_depth velmora-count _velmora_count '' -- velmora-count --max-depth ''
check_completion threads_option velmora-count _velmora_count '--threads' -- velmora-count --thr
check_completion no_file_for_threads velmora-count _velmora_count '' -- velmora-count -j tr
check_completion units velmora-count _velmora_count 'bytes chars columns utf16' -- velmora-count --units ''
check_completion units_after_equals velmora-count _velmora_count 'columns' -- velmora-count --units = co
check_completion format velmora-count _velmora_count 'lint' -- velmora-count --format l
check_completion null_option velmora-count _velmora_count '--null' -- velmora-count --nu
check_completion files0_from_file_names velmora-count _velmora_count 'names.list' -- velmora-count --files0-from names.l
check_completion sort_order velmora-count _velmora_count 'desc' -- velmora-count --lf --sort d
check_completion no_guess_for_a_number velmora-count _velmora_count '' -- velmora-count --longer-than ''
check_completion file_names velmora-count _velmora_count 'tree' -- velmora-count -r tr
check_completion window_options velmora _velmora '--version' -- velmora --ver
check_completion window_files velmora _velmora 'counts.txt' -- velmora cou
bash -c 'source "$0"; complete -p velmora-count' "$completions/velmora-count" | grep -q _velmora_count && pass || fail completion_registered

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
interrupt_while_read_slowly --lf many.txt
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

# The same on two threads, the slow input among others: the old file stays, nothing beside it.
printf 'first\n' > interrupted-first.txt
"$tool" -j 2 -o interrupted/old.txt interrupted-first.txt slow-input.fifo interrupted-first.txt \
    2> /dev/null &
counter=$!
exec 9> slow-input.fifo
printf 'a line\n' >&9
sleep 0.3
kill -TERM "$counter"
exec 9>&-
wait "$counter"
status=$?
[ "$status" -eq 143 ] && [ "$(cat interrupted/old.txt)" = 'the old results' ] && [ "$(ls -A interrupted)" = old.txt ] && pass || fail "interrupted_output_file_on_threads: status $status, $(ls -A interrupted): $(cat interrupted/old.txt)"

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
# The disk fills only after the output has been handed to it in several steps.
if mkdir later-full-disk && mount -t tmpfs -o size=12m tmpfs later-full-disk; then
    small_disks+=("$PWD/later-full-disk")
    printf 'the old results\n' > later-full-disk/old.txt
    check full_disk_after_megabytes 1 '' 'velmora-count: later-full-disk/old.txt: No space left on device' -- -o later-full-disk/old.txt large.txt
    [ "$(cat later-full-disk/old.txt)" = 'the old results' ] && [ "$(ls -A later-full-disk)" = old.txt ] && pass || fail "full_disk_after_megabytes: $(ls -A later-full-disk)"
fi
if small_disk read-only ro; then
    check read_only_file_system 1 '' 'velmora-count: read-only/out.txt: Read-only file system' -- -o read-only/out.txt counts.txt
fi

# The rows kept for sorting go to a spill file in $TMPDIR. A run that fails anywhere leaves the
# file named by -o exactly as it was, says so, and names the temporary folder that failed;
# nothing is left in that folder.
awk 'BEGIN { for (i = 0; i < 400000; i++) printf "a line for a small disk %d\n", i }' > spilled.txt
cp spilled.txt spilled.orig
printf 'the old results\n' > kept.txt
spill_message() {
    printf 'velmora-count: temporary folder %s: No space left on device (set TMPDIR to a folder with more room)\n' "$1"
}
if small_disk spill; then
    for target in kept.txt spilled.txt; do
        cp "$target" before.txt
        TMPDIR=$work/spill "$tool" --sort desc -o "$target" spilled.txt 2> spill.err
        status=$?
        if [ "$status" -eq 1 ] && cmp -s before.txt "$target" && [ -z "$(ls -A spill)" ] \
            && { spill_message "$work/spill"; printf 'velmora-count: %s left as it was\n' "$target"; } | cmp -s - spill.err; then
            pass
        else
            fail "spill_to_full_disk_onto_$target: status $status, $(cat spill.err), $(ls -A spill)"
        fi
    done
    # Sorted rows with some missing would look complete: none are written.
    TMPDIR=$work/spill "$tool" --sort desc spilled.txt > spill.out 2> spill.err
    status=$?
    [ "$status" -eq 1 ] && [ ! -s spill.out ] && spill_message "$work/spill" | cmp -s - spill.err \
        && pass || fail "spill_to_full_disk_standard_output: status $status, $(cat spill.err), $(wc -c < spill.out) bytes"
    # So does a line too long to keep in memory, whose text finds no room there.
    TMPDIR=$work/spill "$tool" lines.txt long-line.txt counts.txt > long-line.out 2> long-line.err
    status=$?
    if [ "$status" -eq 1 ] && grep -qF 'velmora-count: long-line.txt: ' long-line.err \
        && grep -qF "temporary folder $work/spill: No space left on device" long-line.err && [ "$(wc -l < long-line.out)" -eq 9 ]; then
        pass
    else
        fail "long_line_spill_to_full_disk: status $status, $(cat long-line.err), $(wc -l < long-line.out) rows"
    fi
fi
# A temporary folder that cannot take a file at the start is passed over for the next.
"$tool" --lf --sort desc spilled.txt > sorted.expected
for unusable in missing read-only-tmp; do
    [ "$unusable" = read-only-tmp ] && { small_disk read-only-tmp ro || continue; }
    TMPDIR=$work/$unusable "$tool" --lf --sort desc spilled.txt > sorted.out 2> sorted.err
    status=$?
    [ "$status" -eq 0 ] && [ ! -s sorted.err ] && cmp -s sorted.expected sorted.out \
        && pass || fail "temporary_folder_$unusable: status $status, $(cat sorted.err)"
done
[ "$(head -n 1 sorted.expected)" = "$(printf '30\ta line for a small disk 100000')" ] && pass || fail "sorted_expected: $(head -n 1 sorted.expected)"

# An input that cannot be read fails the run: the file named by -o is not replaced.
cp kept.txt before.txt
check unreadable_input_keeps_output 1 '' 'velmora-count: kept.txt left as it was' -- -o kept.txt counts.txt nosuch.txt
cmp -s before.txt kept.txt && pass || fail "unreadable_input_keeps_output: $(cat kept.txt)"
check empty_output_name 2 '' "velmora-count: option '-o' needs a file name" -- -o '' counts.txt
check empty_output_name_long 2 '' "velmora-count: option '--output' needs a file name" -- --output= counts.txt
"$tool" --sort desc < spilled.orig >&- 2> closed.err
[ $? -eq 1 ] && grep -qF 'velmora-count: standard output: Bad file descriptor' closed.err && pass || fail "closed_standard_output_sorted: $(cat closed.err)"

# Replacing a file keeps what cp -a keeps of it: its access control list and its attributes.
printf 'old\n' > described.txt
if setfacl -m u:nobody:rw,g::r described.txt 2> /dev/null && setfattr -n user.origin -v test described.txt 2> /dev/null; then
    getfacl described.txt > acl.before; getfattr -d -m - described.txt > xattr.before
    check output_keeps_acl_and_attributes 0 '' '' -- -o described.txt counts.txt
    getfacl described.txt | cmp -s acl.before - && getfattr -d -m - described.txt | cmp -s xattr.before - \
        && [ "$(stat -c %a described.txt)" = 664 ] && pass || fail "output_keeps_acl_and_attributes: $(getfacl described.txt) $(getfattr -d described.txt)"
else
    echo "SKIP: this file system keeps no access control lists or user attributes" >&2
fi

# Someone else's file in a folder anyone may write to: replaced, and its owner could not be kept.
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
    chmod 755 "$work" && mkdir shared && chmod 777 shared && printf 'old\n' > shared/theirs.txt && chmod 666 shared/theirs.txt
    setpriv --reuid=65534 --regid=65534 --clear-groups "$tool" --lf -o shared/theirs.txt counts.txt 2> owner.err
    status=$?
    [ "$status" -eq 0 ] && [ "$(head -n 1 shared/theirs.txt)" = "$(printf '2\taa')" ] \
        && [ "$(cat owner.err)" = 'velmora-count: shared/theirs.txt: its owner could not be kept: Operation not permitted' ] \
        && pass || fail "output_owner_not_kept: status $status, $(cat owner.err)"
fi

# A signal while the new file is made lasting: before it takes the old one's place the old one
# stays, after it the new one does; the status is 128 + the signal's number either way.
if command -v strace > /dev/null && strace -o /dev/null true 2> /dev/null; then
    for moment in fsync:old rename:new; do
        call=${moment%%:*}
        printf 'the old results\n' > signalled.txt
        strace -f -o /dev/null -e trace="$call" -e inject="$call":signal=INT "$tool" --lf -o signalled.txt counts.txt 2> signalled.err
        status=$?
        if [ "$moment" = fsync:old ]; then
            [ "$status" -eq 130 ] && [ "$(cat signalled.txt)" = 'the old results' ] && grep -qF 'signalled.txt left as it was' signalled.err
        else
            [ "$status" -eq 130 ] && [ "$(head -n 1 signalled.txt)" = "$(printf '2\taa')" ]
        fi && [ "$(ls -A | grep -c '^\.signalled')" -eq 0 ] && pass || fail "signal_at_$call: status $status, $(cat signalled.txt)"
    done
else
    echo "SKIP: signals during the commit need strace" >&2
fi

rm -f long-line.txt
echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
