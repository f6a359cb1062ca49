#!/usr/bin/env bash
# Builds the Debian package and checks it as a fresh machine would meet it: a clean minimal
# Debian root is made from this machine's apt sources, the package is installed there with apt
# (its Depends come from the archive and nothing else is there), both programs are started
# there, and the desktop entry, the AppStream metadata and the package itself are checked with
# desktop-file-validate, appstreamcli and lintian. Ends with a summary and the time of each step.
#
# On a fresh Debian 12 machine, as root: scripts/check-package.sh [BUILD_FOLDER]
# Everything it makes stays in BUILD_FOLDER (build-package by default).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-package}
work=$build/clean-root
shared=$work/velmora-check
root=$work/root
inside=$root/srv/velmora-check

fail() {
    echo "package check: $*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "run it as root: it installs packages and makes a Debian root"

timings=()
step_started=$SECONDS
step_done() {
    timings+=("$(printf '%5d s  %s' $((SECONDS - step_started)) "$1")")
    step_started=$SECONDS
}
# Runs a command with its output in a log, which is shown only when the command fails.
logged() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 || {
        cat "$log" >&2
        fail "$* failed (log: $log)"
    }
}

scripts/install-dependencies.sh package
step_done "packages for building and checking the package"

echo "Building the package in $build ..."
mkdir -p "$build"
# The tests are configured for the probe that looks into the installed window, but only what
# the package holds is built.
logged "$build/configure.log" cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVELMORA_WERROR=ON -DVELMORA_BUILD_TESTS=ON
logged "$build/build.log" cmake --build "$build" --target velmora velmora-count \
    velmora_resources velmora_compressed_documents velmora-startup-probe
rm -f "$build"/velmora_*.deb
logged "$build/cpack.log" cpack -B "$build" --config "$build/CPackConfig.cmake"
package=$(ls "$build"/velmora_*.deb)
step_done "build and cpack: $package"

# A root left by an earlier run goes first, but never while anything is mounted inside it.
if [[ -e $work ]]; then
    if findmnt -rno TARGET | grep -qF "$(realpath "$work")/"; then
        fail "something is still mounted under $work; unmount it first"
    fi
    rm -rf "$work"
fi
mkdir -p "$shared" "$work/tmp"
cp "$package" tests/install/inside_clean_root.sh "$shared/"
cp "$build/tests/install/libvelmora-startup-probe.so" "$shared/probe.so"

sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [[ -s $file ]] && sources+=("$file")
done
[[ ${#sources[@]} -gt 0 ]] || fail "this machine has no apt sources to make a Debian root from"
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")

# mmdebstrap mounts /proc, /sys and /dev in the root while its hooks run, and unmounts them.
echo "Making a clean $suite root from ${sources[*]} and installing the package there ..."
TMPDIR=$(realpath "$work/tmp")
export TMPDIR
logged "$work/mmdebstrap.log" \
    mmdebstrap --mode=root --variant=minbase \
    --customize-hook="copy-in $shared /srv" \
    --customize-hook='chroot "$1" bash /srv/velmora-check/inside_clean_root.sh /srv/velmora-check' \
    "$suite" "$root" "${sources[@]}"
# The steps inside the root, with their own times, stand in mmdebstrap's log.
inside_total=0
while read -r _ seconds name; do
    timings+=("$(printf '%5d s    %s' "$seconds" "$name")")
    inside_total=$((inside_total + seconds))
done < <(grep '^step ' "$work/mmdebstrap.log")
timings+=("$(printf '%5d s  clean root made and checked (%d s of it the steps above)' \
    $((SECONDS - step_started)) "$inside_total")")
step_started=$SECONDS

# What the programs did inside the root, judged against this build's own programs.
passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "package check: FAILED: $name" >&2
    fi
}
"$build/bin/velmora-count" --version >"$work/build-version.txt"
"$build/bin/velmora-count" resources/sample.txt >"$work/build-count.txt"
check "velmora-count --version" cmp -s "$inside/count-version.txt" "$work/build-version.txt"
check "the installed sample counts as in the build" \
    cmp -s "$inside/count-sample.txt" "$work/build-count.txt"
check "velmora without a display ends with status 1" \
    grep -qx 1 "$inside/no-display.status"
check "velmora without a display says so in one line" \
    test "$(cat "$inside/no-display.out" "$inside/no-display.err")" \
    == "velmora: no display found; start it from a desktop session, or under xvfb-run: xvfb-run -a velmora"
check "velmora finds its sample, cursor and theme, and counts as velmora-count" \
    tests/install/check_startup_report.sh "$inside/window-report.txt" \
    /usr/share/velmora/sample.txt "$inside/count-sample.txt"
step_done "results compared with the build's own"

echo
echo "== Package check: $package"
dpkg-deb -f "$package" Depends | sed 's/^/Depends: /'
printf '%s\n' "${timings[@]}"
printf '%5d s  in all\n' "$SECONDS"
echo "-- appstreamcli validate --pedantic --no-net:"
cat "$inside/appstream.txt"
echo "-- lintian --pedantic (every tag left is overridden, with its reason):"
cat "$inside/lintian.txt"
echo "package: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
