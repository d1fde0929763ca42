#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: does
# nothing when every tool is already there. Must run as root on Debian.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need+=(cmake)
have g++ || need+=(g++)
have i686-w64-mingw32-g++ || need+=(g++-mingw-w64-i686)
[ -f /usr/i686-w64-mingw32/lib/libz.a ] || need+=(libz-mingw-w64-dev)
[ -f /usr/include/ini.h ] || need+=(libinih-dev)
[ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
have wixl || need+=(wixl)
have Xvfb || need+=(xvfb)
have xdotool || need+=(xdotool)
have pkg-config || need+=(pkg-config)
have wine || need+=(wine wine32:i386 wine64)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
[ -f /usr/include/libmsi-1.0/libmsi.h ] || need+=(libmsi-dev)
[ -f /usr/include/glib-2.0/glib.h ] || need+=(libglib2.0-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
have wrestool || need+=(icoutils)
have osslsigncode || need+=(osslsigncode)
have openssl || need+=(openssl)
dpkg -s wine32:i386 >/dev/null 2>&1 || { [[ " ${need[*]} " == *" wine32:i386 "* ]] || need+=(wine32:i386); }

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${need[*]}); run 'make' as root to install them" >&2
    exit 1
fi
echo "install-deps: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
