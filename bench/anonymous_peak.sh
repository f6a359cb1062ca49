# Sourced by the benchmark scripts.
#
# anonymous_peak COMMAND...: runs the command and prints the largest anonymous memory it had
# (heap and private pages, not the files it maps, which the system can drop and read again)
# in MiB, as RssAnon of /proc/PID/status sampled every 20 ms from outside, then its time in
# milliseconds.
anonymous_peak() {
    local start peak=0 now pid
    start=$(date +%s%N)
    "$@" &
    pid=$!
    while kill -0 "$pid" 2> /dev/null; do
        now=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2> /dev/null || true)
        if [ -n "$now" ] && [ "$now" -gt "$peak" ]; then peak=$now; fi
        sleep 0.02
    done
    wait "$pid"
    echo "$((peak / 1024)) $((($(date +%s%N) - start) / 1000000))"
}
