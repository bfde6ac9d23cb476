#!/usr/bin/env bash
# Installs what building and testing the updater need on a Debian machine, and
# only what is missing, so a second run does nothing. Needs root for apt-get.
set -euo pipefail

packages=(
    cmake g++ make googletest
    g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64 locales
)
# Screen, Japanese and Wine fonts, screenshots, and the release zip with its
# signature (openssl makes the tests' throwaway certificate).
demo_packages=(xvfb xauth fonts-ipafont-gothic fonts-wine imagemagick zip osslsigncode openssl)
if [ "${1:-}" = demo ]; then
    packages+=("${demo_packages[@]}")
fi
if [ "${1:-}" = test ]; then
    # The tests run the demo once and build a release zip too.
    # The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
    packages+=(python3-pefile icoutils clang libclang-rt-14-dev "${demo_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine's 32-bit support, so that the shipped 32-bit file itself runs: only where
# the kernel runs 32-bit programs, which a tiny one decides.
source "$(dirname "$0")/x86-32.sh"
if runs_32bit; then
    if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
        echo "Installing: wine32:i386"
        dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wine32:i386
    fi
else
    echo "Not installing Wine's 32-bit support: $no_32bit_reason."
fi

# Wine maps Japanese file names and reports code page 932 only under this locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi
