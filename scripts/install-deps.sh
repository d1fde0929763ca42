#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and fetches
# the Debian source packages of zlib, libdeflate, libpng1.6 and openssl: the
# launcher's zlib and boxlift.exe's zlib, libdeflate, libpng and libcrypto
# are built from them.
# Then makes sure 32-bit programs run, through an emulator where the
# kernel runs none (deps/i386.sh). Idempotent: does nothing when everything
# is already there. Must run as root on Debian.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/deps/apt.sh"
source "$here/deps/i386.sh"

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need+=(cmake)
have g++ || need+=(g++)
have i686-w64-mingw32-g++ || need+=(g++-mingw-w64-i686)
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)  # std::thread in boxlift.exe
[ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
have wixl || need+=(wixl)
have Xvfb || need+=(xvfb)
have xdotool || need+=(xdotool)
[ -f /usr/share/i18n/locales/ru_RU ] || need+=(locales)  # a Russian locale for Wine, made by the tests
have import || need+=(imagemagick)
have dpkg-source || need+=(dpkg-dev)  # also dpkg-shlibdeps, for the .deb's dependencies
perl -MIPC::Cmd -e 1 2>/dev/null || need+=(perl)  # OpenSSL's Configure, for boxlift.exe's libcrypto
have file || need+=(file)              # CPack's .deb generator finds the programs with it
have unzip || need+=(unzip)            # the package test lists the zip
have pkg-config || need+=(pkg-config)
have wine || need+=(wine wine32:i386 wine64)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
[ -f /usr/include/libmsi-1.0/libmsi.h ] || need+=(libmsi-dev)
[ -f /usr/include/glib-2.0/glib.h ] || need+=(libglib2.0-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
[ -f /usr/include/libdeflate.h ] || need+=(libdeflate-dev)
[ -f /usr/include/png.h ] || need+=(libpng-dev)
[ -f /usr/include/openssl/evp.h ] || need+=(libssl-dev)  # libcrypto: verify's signature checks
have wrestool || need+=(icoutils)
have osslsigncode || need+=(osslsigncode)
have openssl || need+=(openssl)
[ -x /usr/bin/time ] || need+=(time)   # peak memory, in the bench and the large-setup test
python3 -c 'import yaml' 2>/dev/null || need+=(python3-yaml)  # the tests read the winget manifest
have clang++ || need+=(clang)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)  # libFuzzer
dpkg -s wine32:i386 >/dev/null 2>&1 || { [[ " ${need[*]} " == *" wine32:i386 "* ]] || need+=(wine32:i386); }

# Kept outside the repository; cmake/zlib.cmake and cmake/windows_tool.cmake
# build them.
src_dir=/usr/local/src/boxlift
sources=()
[ -f "$src_dir/zlib/inflate.c" ] || sources+=(zlib)
[ -f "$src_dir/libdeflate/lib/deflate_compress.c" ] || sources+=(libdeflate)
[ -f "$src_dir/libpng1.6/pngread.c" ] || sources+=(libpng1.6)
[ -f "$src_dir/openssl/crypto/x509/x509_vfy.c" ] || sources+=(openssl)

if [ ${#need[@]} -eq 0 ] && [ ${#sources[@]} -eq 0 ]; then
    i386_ensure
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${need[*]}) or source packages (${sources[*]}); run 'make' as root to install them" >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
src_list=/etc/apt/sources.list.d/boxlift-src.sources
if [ ${#sources[@]} -gt 0 ] && [ ! -f "$src_list" ]; then
    . /etc/os-release
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$VERSION_CODENAME" > "$src_list"
fi
export DEBIAN_FRONTEND=noninteractive
apt_update
if [ ${#need[@]} -gt 0 ]; then
    echo "install-deps: installing ${need[*]}"
    apt_install "${need[@]}"
fi
for package in "${sources[@]}"; do
    echo "install-deps: fetching $package's source package into $src_dir"
    mkdir -p "$src_dir"
    (cd "$src_dir" && rm -rf "$package" "$package"-* "$package"_* &&
        apt-get source -qq "$package" >/dev/null 2>&1 &&
        ln -sfn "$(ls -d "$package"-*/ | head -n 1)" "$package")
    if [ ! -d "$src_dir/$package/debian" ]; then
        echo "install-deps: $package's source package did not unpack into $src_dir" >&2
        exit 1
    fi
done
i386_ensure
