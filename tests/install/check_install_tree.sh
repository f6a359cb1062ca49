#!/usr/bin/env bash
# Installs the build into a scratch folder as a Debian package would lay it out, checks the
# desktop entry and the AppStream metadata with their validators, checks that every file a
# desktop needs is there, and that the installed programs run and find their resources.
#
# Usage: check_install_tree.sh BUILD_FOLDER WORK_FOLDER
set -euo pipefail

build=$1
work=$2
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
    usr/share/applications/com.orvantis.Velmora.desktop \
    usr/share/metainfo/com.orvantis.Velmora.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/com.orvantis.Velmora.svg \
    usr/share/man/man1/velmora.1 usr/share/man/man1/velmora-count.1 \
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
appstreamcli validate --no-net "$share/metainfo/com.orvantis.Velmora.metainfo.xml" >/dev/null
entry="$share/applications/com.orvantis.Velmora.desktop"
for line in "Name=Velmora" "Exec=velmora %F" "MimeType=text/plain;" "Categories=Utility;TextTools;"; do
    grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done
for page in velmora velmora-count; do
    man --warnings -l "$share/man/man1/$page.1" >/dev/null 2>"$work/man.log"
    [[ ! -s "$work/man.log" ]] || fail "man page $page: $(cat "$work/man.log")"
done

"$root/usr/bin/velmora" --version | grep -q '^Velmora ' || fail "velmora --version"
env -u DISPLAY "$root/usr/bin/velmora" --help | grep -q 'FILE' || fail "velmora --help"
"$root/usr/bin/velmora-count" "$share/velmora/sample.txt" >"$work/rows.txt" || fail "velmora-count"
[[ -s "$work/rows.txt" ]] || fail "velmora-count found no rows in the installed sample"
echo "install tree: passed"
