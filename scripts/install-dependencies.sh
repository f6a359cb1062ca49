#!/usr/bin/env bash
# Installs the Debian 12 packages Velmora needs and are not there yet; silent when all are.
# Usage: scripts/install-dependencies.sh build|test|package|bench|arm64
set -euo pipefail

# dpkg-dev brings dpkg-buildflags, whose hardening flags every optimised build uses.
build_packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev fonts-liberation2
    dpkg-dev)
# clang-format checks the layout of the code; acl, attr and strace check what a replaced file
# keeps and a signal in the middle of a commit; git, that velmora-count -r leaves out what git
# ignores; ccache keeps the suite's four builds from compiling unchanged files again.
test_packages=(xvfb xauth xdotool x11-apps imagemagick clang libclang-rt-14-dev clang-format mawk git
    desktop-file-utils appstream man-db acl attr strace ccache)
# Building the tests: they send the window real close requests, through Qt's private
# platform interface in the unit tests and through Xlib on the virtual display; Show in
# Folder's test runs a session bus of its own (dbus-daemon).
test_build_packages=(qt6-base-private-dev libx11-dev dbus-daemon)
# Linting the Debian package, and installing it into a clean Debian root made with mmdebstrap,
# which mounts that root's /proc and /dev with mount. The package's Depends come from
# dpkg-shlibdeps, of dpkg-dev.
package_packages=(lintian mmdebstrap mount)
# The reference tools bench/run_benchmarks.sh measures against.
bench_packages=(ripgrep mawk)
# Cross-building for arm64 and running its tests under qemu (scripts/check-arm64.sh).
arm64_packages=(g++-aarch64-linux-gnu qt6-base-dev:arm64 qemu-user)

packages=("${build_packages[@]}")
case "${1:-build}" in
build) ;;
test) packages+=("${test_build_packages[@]}" "${test_packages[@]}") ;;
# check-package.sh configures the tests too, for its start-up probe.
package) packages+=("${test_build_packages[@]}" "${package_packages[@]}") ;;
bench) packages+=("${bench_packages[@]}") ;;
arm64) packages+=("${arm64_packages[@]}") ;;
*)
    echo "Usage: $0 build|test|package|bench|arm64" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
    echo "Velmora needs these Debian packages: ${missing[*]}" >&2
    echo "Run this script as root, or install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
echo "Installing ${missing[*]} ..."
export DEBIAN_FRONTEND=noninteractive
if [[ ${1:-build} == arm64 ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    dpkg --add-architecture arm64
fi
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
