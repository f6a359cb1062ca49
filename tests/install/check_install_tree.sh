#!/usr/bin/env bash
# Installs the build into a scratch folder as a Debian package would lay it out, checks the
# desktop entry and the AppStream metadata with their validators, checks that every file a
# desktop needs is there, and that the installed programs run and find their resources.
#
# Usage: check_install_tree.sh BUILD_FOLDER WORK_FOLDER STARTUP_PROBE
set -euo pipefail

build=$1
work=$2
probe=$3
here=$(dirname "$0")
root="$work/root"
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "install tree: $*" >&2
    exit 1
}

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"

for file in usr/bin/velmora usr/bin/velmora-count \
    usr/share/velmora/sample.txt usr/share/velmora/HAND-M.CUR usr/share/velmora/x/o.cjs \
    usr/share/velmora/velmora-count-matcher.json \
    usr/share/applications/com.orvantis.Velmora.desktop \
    usr/share/metainfo/com.orvantis.Velmora.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/com.orvantis.Velmora.svg \
    usr/share/man/man1/velmora.1.gz usr/share/man/man1/velmora-count.1.gz \
    usr/share/doc/velmora/copyright usr/share/doc/velmora/changelog.gz \
    usr/share/lintian/overrides/velmora \
    usr/share/bash-completion/completions/velmora \
    usr/share/bash-completion/completions/velmora-count; do
    [[ -e "$root/$file" ]] || fail "$file is missing"
done
for size in 16 24 32 48 64 128 256; do
    icon="$share/icons/hicolor/${size}x${size}/apps/com.orvantis.Velmora.png"
    [[ $(identify -format '%wx%h' "$icon") == "${size}x${size}" ]] || fail "$icon is not $size px"
done
[[ -z $(find "$root" -name 'tst_*' -o -name 'velmora-bench*') ]] || fail "tests were installed"

desktop-file-validate "$share/applications/com.orvantis.Velmora.desktop"
appstreamcli validate --pedantic --no-net "$share/metainfo/com.orvantis.Velmora.metainfo.xml" >/dev/null
entry="$share/applications/com.orvantis.Velmora.desktop"
for line in "Name=Velmora" "Exec=velmora %F" "MimeType=text/plain;" "Categories=Utility;TextTools;"; do
    grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done
for page in velmora velmora-count; do
    man --warnings -l "$share/man/man1/$page.1.gz" >/dev/null 2>"$work/man.log"
    [[ ! -s "$work/man.log" ]] || fail "man page $page: $(cat "$work/man.log")"
done
# gzip -9n: no file name, no time stamp, the best compression (header bytes 4 to 10).
for file in "$share/man/man1/velmora.1.gz" "$share/man/man1/velmora-count.1.gz" \
    "$share/doc/velmora/changelog.gz"; do
    [[ $(od -An -tx1 -j3 -N7 "$file") == " 00 00 00 00 00 02 03" ]] \
        || fail "$file is not compressed with gzip -9n"
done

"$root/usr/bin/velmora" --version | grep -q '^Velmora ' || fail "velmora --version"
env -u DISPLAY "$root/usr/bin/velmora" --help | grep -q 'FILE' || fail "velmora --help"
"$root/usr/bin/velmora-count" "$share/velmora/sample.txt" >"$work/rows.txt" || fail "velmora-count"
[[ -s "$work/rows.txt" ]] || fail "velmora-count found no rows in the installed sample"

# Without a display the window says so in one line and ends, rather than Qt aborting.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/velmora" \
    >"$work/no-display.out" 2>"$work/no-display.err" || status=$?
[[ $status -eq 1 ]] || fail "velmora without a display ended with status $status, not 1"
[[ ! -s "$work/no-display.out" && $(cat "$work/no-display.err") == \
    "velmora: no display found; start it from a desktop session, or under xvfb-run: xvfb-run -a velmora" ]] \
    || fail "velmora without a display said: $(cat "$work/no-display.out" "$work/no-display.err")"

# A platform chosen on the command line needs no display: the window starts, finds its files
# in the installed data folder and counts the installed sample as velmora-count does.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
    LD_PRELOAD="$probe" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    "$root/usr/bin/velmora" -platform offscreen >"$work/window-report.txt" 2>"$work/window.err" \
    || fail "the installed window failed: $(cat "$work/window.err")"
"$here/check_startup_report.sh" "$work/window-report.txt" "$share/velmora/sample.txt" \
    "$work/rows.txt"
echo "install tree: passed"
