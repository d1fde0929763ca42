#!/usr/bin/env bash
# The packages as a user gets them. The .deb: installed with dpkg as root
# (unpacked with dpkg-deb -x otherwise, or when a boxlift package is
# installed already, which is left alone), then the installed boxlift
# reports its version, builds a setup.exe from a small package and verify
# passes it, its man page and README are in place; then it is removed. The
# zip: boxlift.exe and README.md in one folder. No network needed.
#   package_test.sh PACKAGE_DIR VERSION WIXL WXS
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: package_test.sh PACKAGE_DIR VERSION WIXL WXS" >&2; exit 2; }
packages=$1 version=$2 wixl=$3 wxs=$(realpath "$4")
arch=$(dpkg --print-architecture)
deb=$packages/boxlift_${version}_$arch.deb
zip=$packages/boxlift-$version-win32.zip

fail() { echo "package_test: $*" >&2; exit 1; }
for file in "$deb" "$zip"; do
    [ -f "$file" ] || fail "$file: no such package (make package writes it)"
done

work=$(mktemp -d)
installed=
cleanup() {
    [ -z "$installed" ] || dpkg -r boxlift >/dev/null || echo "package_test: dpkg -r boxlift failed" >&2
    rm -rf "$work"
}
trap cleanup EXIT

# dpkg refuses while another dpkg runs: wait for it (another build's test).
dpkg_locked() {
    local attempt
    for attempt in $(seq 60); do
        "$@" 2>"$work/dpkg.err" && return 0
        grep -q 'lock' "$work/dpkg.err" || { cat "$work/dpkg.err" >&2; return 1; }
        sleep 2
    done
    cat "$work/dpkg.err" >&2
    return 1
}

# One install at a time on this machine, also from other checkouts' runs.
if [ "$(id -u)" -eq 0 ]; then
    exec 9>/var/lock/boxlift-package-test.lock
    flock 9
fi
if [ "$(id -u)" -eq 0 ] && ! dpkg -s boxlift >/dev/null 2>&1; then
    dpkg_locked dpkg -i "$deb" >/dev/null || fail "$deb: dpkg -i failed"
    installed=yes
    root=
else
    dpkg-deb -x "$deb" "$work/root"
    root=$work/root
fi
boxlift=$root/usr/bin/boxlift

[ "$("$boxlift" --version)" = "boxlift $version" ] || fail "$boxlift --version: not boxlift $version"
(cd "$work" && "$wixl" -o product.msi "$wxs" && "$boxlift" build -q product.msi -o setup.exe &&
    "$boxlift" verify setup.exe >/dev/null) || fail "$boxlift: build and verify of a small package failed"
for file in share/man/man1/boxlift.1 share/doc/boxlift/README.md share/doc/boxlift/docs/architecture.md; do
    [ -s "$root/usr/$file" ] || fail "$deb: no /usr/$file"
done
grep -q '^\.SS "boxlift verify' "$root/usr/share/man/man1/boxlift.1" ||
    fail "the man page has no section for boxlift verify"
if [ -n "$installed" ]; then
    dpkg -L boxlift | grep -qx /usr/bin/boxlift || fail "dpkg -L boxlift does not list /usr/bin/boxlift"
    installed=
    dpkg_locked dpkg -r boxlift >/dev/null || fail "dpkg -r boxlift failed"
    [ ! -e /usr/bin/boxlift ] || fail "/usr/bin/boxlift is left after dpkg -r"
fi

listing=$(unzip -Z1 "$zip")
expected=$(printf 'boxlift-%s-win32/README.md\nboxlift-%s-win32/boxlift.exe' "$version" "$version")
[ "$(sort <<<"$listing" | grep -v '/$')" = "$expected" ] || fail "$zip holds: $listing"
echo "package_test: $(basename "$deb") and $(basename "$zip") OK"
