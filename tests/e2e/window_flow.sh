#!/usr/bin/env bash
# Drives the real Velmora window on a virtual X display as a person would, with the real Qt
# dialogs and message boxes: load the sample (answer No), count, sort highest first, save
# through the save dialog, save again over the same file (answer Yes), and compare the saved
# bytes with what velmora-count writes for the same file. Last, close the window, and then its
# progress window, while a count waits on a FIFO that nobody writes: the program ends at once.
#
# Usage: window_flow.sh VELMORA VELMORA_COUNT SEND_CLOSE_REQUEST WORK_FOLDER
set -euo pipefail

velmora=$1
velmora_count=$2
send_close_request=$3
work=$4
rm -rf "$work"
mkdir -p "$work/config"

fail() {
    echo "window flow: $*" >&2
    [[ -n "${DISPLAY:-}" ]] && import -window root "$work/failure.png" 2>/dev/null || true
    exit 1
}

# A display of our own, whatever else runs on this machine. It must not reset when the first
# window closes: the next one would find no server while it restarts.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 10 display_number <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$display_number"
velmora_pid=
cleanup() {
    [[ -n "$velmora_pid" ]] && kill "$velmora_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
"$velmora" >"$work/velmora.log" 2>&1 &
velmora_pid=$!

# The ids of visible windows with exactly this title, newest last.
windows_named() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}

# Waits for a visible window titled $1 that is not among the ids in $2; prints its id.
wait_for_new_window() {
    local title=$1 known=$2 id
    for _ in $(seq 100); do
        for id in $(windows_named "$title"); do
            if ! grep -qw "$id" <<<"$known"; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

wait_until_gone() {
    for _ in $(seq 100); do
        xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
        xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 0
        sleep 0.1
    done
    return 1
}

main=$(wait_for_new_window Velmora "") || fail "the main window did not appear"
sleep 0.5
[[ $(xdotool getwindowname "$main") == Velmora ]] || fail "the caption is not Velmora"
# xwininfo's absolute position is that of the client area, with or without a window manager.
geometry=$(xwininfo -id "$main")
size=$(awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }' <<<"$geometry")
[[ $size == 440x676 ]] || fail "the window is $size, not 440x676"
left=$(awk '/Absolute upper-left X:/ { print $4 }' <<<"$geometry")
top=$(awk '/Absolute upper-left Y:/ { print $4 }' <<<"$geometry")

# Clicks at a point of the window's client area, in pixels of the window design.
click() {
    xdotool mousemove --sync $((left + $1)) $((top + $2)) click 1
}

# Answers the newest message box titled $1 with key $2.
answer_box() {
    local box
    box=$(wait_for_new_window "$1" "$main") || fail "no \"$1\" box appeared ($3)"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.2
    xdotool key --clearmodifiers "$2"
    wait_until_gone "$box" || fail "the \"$1\" box did not close ($3)"
}

save_through_dialog() {
    local dialog
    click 160 655 # Save Results As New Text File
    dialog=$(wait_for_new_window Save "$main") || fail "the save dialog did not appear"
    xdotool windowfocus --sync "$dialog" 2>/dev/null || true
    sleep 0.5
    xdotool type --delay 15 "$1"
    sleep 0.3
    # A completion list may take the first Return; the dialog closes on the next.
    for _ in 1 2 3; do
        xdotool key --clearmodifiers Return
        wait_until_gone "$dialog" && return 0
    done
    fail "the save dialog did not accept $1"
}

sample=$(dirname "$velmora")/sample.txt
[[ -f "$sample" ]] || sample=$(dirname "$velmora")/../share/velmora/sample.txt

click 328 181 # Load Sample File
answer_box Velmora n "view the sample?"
click 220 426 # Start Counting
answer_box Velmora Return "Done. after counting"
click 220 587 # Sort Results From Highest To Lowest
sleep 0.3
import -window "$main" "$work/window.png"

saved="$work/results.txt"
save_through_dialog "$saved"
answer_box Velmora Return "Done. after saving"
[[ -f "$saved" ]] || fail "nothing was saved"

echo "an older and longer file that the second save replaces entirely" >"$saved.old"
cat "$saved.old" "$saved.old" "$saved.old" >"$saved"
save_through_dialog "$saved"
answer_box Velmora y "overwrite?"
answer_box Velmora Return "Done. after saving again"

"$velmora_count" --sort desc "$sample" >"$work/expected.txt"
cmp "$work/expected.txt" "$saved" || fail "the saved file differs from velmora-count --sort desc"
[[ -s "$saved" ]] || fail "the saved file is empty"

# The open dialog takes the name of a file that does not exist yet, and the list keeps it as
# typed: the file written afterwards is the one counted.
click 112 181 # Clear List (the file list)
click 112 148 # Add Text File(s)
open_title='Add File\(s\) - Hold Ctrl to select multiple files'
dialog=$(wait_for_new_window "$open_title" "$main") || fail "the open dialog did not appear"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
sleep 0.5
later="$work/written later.txt"
xdotool type --delay 15 "$later"
sleep 0.3
# Alt+O is the Open button's own key: it works only while the button is enabled.
xdotool key --clearmodifiers alt+o
wait_until_gone "$dialog" || fail "the open dialog did not take the name of a missing file"
sleep 0.5
[[ -z $(windows_named "$open_title") ]] || fail "the open dialog complained about a missing file"
printf 'written after it was chosen\nand a second line\n' >"$later"
click 220 426 # Start Counting
answer_box Velmora Return "Done. after counting the file chosen before it existed"
save_through_dialog "$work/later-results.txt"
answer_box Velmora Return "Done. after saving the later file's results"
"$velmora_count" --sort desc "$later" >"$work/later-expected.txt"
cmp "$work/later-expected.txt" "$work/later-results.txt" ||
    fail "the file chosen before it existed was not counted as typed"

# At a device pixel ratio of 2 the same design comes up twice as large. The first window is
# gone by now, and its id may come back for the new one.
kill "$velmora_pid"
wait "$velmora_pid" 2>/dev/null || true
QT_SCALE_FACTOR=2 "$velmora" >"$work/velmora-scaled.log" 2>&1 &
velmora_pid=$!
scaled=$(wait_for_new_window Velmora "") || fail "the scaled window did not appear"
sleep 0.5
size=$(xwininfo -id "$scaled" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ $size == 880x1352 ]] || fail "at scale 2 the window is $size, not 880x1352"
import -window "$scaled" "$work/window-scale2.png"
kill "$velmora_pid"
wait "$velmora_pid" 2>/dev/null || true

# The close button's request, WM_DELETE_WINDOW, which Qt refuses for a window that a modal one
# blocks, ends the program while a count waits. $1 is which window gets it: the main window or
# the progress window.
close_during_a_waiting_count() {
    local fifo="$work/nobody writes ($1)" window progress status
    mkfifo "$fifo"
    "$velmora" "$fifo" >"$work/velmora-close-$1.log" 2>&1 &
    velmora_pid=$!
    main=$(wait_for_new_window Velmora "") || fail "the window did not appear ($1)"
    sleep 0.5
    geometry=$(xwininfo -id "$main")
    left=$(awk '/Absolute upper-left X:/ { print $4 }' <<<"$geometry")
    top=$(awk '/Absolute upper-left Y:/ { print $4 }' <<<"$geometry")
    click 220 426 # Start Counting
    progress=$(wait_for_new_window Velmora "$main") || fail "no progress window ($1)"
    sleep 0.3
    import -window root "$work/counting-$1.png"
    window=$main
    [[ $1 == progress ]] && window=$progress
    "$send_close_request" "$window" || fail "the close request could not be sent ($1)"
    for _ in $(seq 20); do
        kill -0 "$velmora_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$velmora_pid" 2>/dev/null &&
        fail "velmora still runs 2 s after the $1 window was asked to close during a count"
    status=0
    wait "$velmora_pid" || status=$?
    velmora_pid=
    [[ $status -eq 0 ]] || fail "velmora ended with status $status after the close ($1)"
}
close_during_a_waiting_count main
close_during_a_waiting_count progress

echo "window flow: passed ($(wc -l <"$saved") rows saved)"
