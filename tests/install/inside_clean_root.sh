#!/usr/bin/env bash
# Runs as root inside a clean minimal Debian root (see scripts/check-package.sh), from the folder
# that holds the package and the startup probe. Installs the package as a user would, so that
# apt resolves its Depends from the archive and nothing else is there, and uses it; only then
# installs the checkers. Leaves the programs' outputs in the same folder for the caller to judge,
# and prints one "step SECONDS NAME" line per step done.
#
# Usage: inside_clean_root.sh FOLDER
set -euo pipefail

folder=$1
cd "$folder"
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8

step_started=$SECONDS
step() {
    echo "step $((SECONDS - step_started)) $1"
    step_started=$SECONDS
}

apt-get install -y -q --no-install-recommends "./$(ls velmora_*.deb)" >apt-velmora.log 2>&1 \
    || { cat apt-velmora.log; exit 1; }
step "apt-get install velmora (Depends only, from the archive)"

velmora-count --version >count-version.txt
velmora-count /usr/share/velmora/sample.txt >count-sample.txt
step "velmora-count --version, and a count of the installed sample"

# Without a display (and nobody choosing a platform) the window explains itself and ends.
status=0
env -i PATH=/usr/bin:/bin HOME=/root velmora >no-display.out 2>no-display.err || status=$?
echo "$status" >no-display.status
XDG_CONFIG_HOME="$folder/config" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$folder/probe.so" \
    timeout 120 velmora >window-report.txt 2>window.err || { cat window.err; exit 1; }
step "velmora without a display, and on the offscreen platform"

apt-get install -y -q --no-install-recommends desktop-file-utils appstream lintian \
    >apt-checkers.log 2>&1 || { cat apt-checkers.log; exit 1; }
step "apt-get install desktop-file-utils appstream lintian"

desktop-file-validate /usr/share/applications/com.orvantis.Velmora.desktop
appstreamcli validate --pedantic --no-net /usr/share/metainfo/com.orvantis.Velmora.metainfo.xml \
    >appstream.txt
step "desktop-file-validate, appstreamcli validate --pedantic --no-net"

# Every tag lintian knows of fails the check unless the package overrides it with a reason.
# Shown overrides would count as failures too, so the overrides are listed in a second run.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic velmora_*.deb \
    >lintian.txt 2>lintian.err || { cat lintian.txt lintian.err; exit 1; }
lintian --pedantic --display-info --show-overrides velmora_*.deb >lintian.txt 2>lintian.err
step "lintian --pedantic"
