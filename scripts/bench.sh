#!/usr/bin/env bash
# make bench: how fast setup.exe /e unpacks a large package under Wine,
# against the limit measured on the same machine in the same run.
#
#   net   = time of `setup.exe /e` of the large package
#           - time of `setup.exe /e` of an empty one (Wine's start-up)
#   limit = zlib's own inflate of the same records, natively
#           + `cp` of the package file on the same disk
#
# It also prints how long `boxlift build` takes for the large package: with
# no config and the built-in launcher, and the way it was called before
# (--launcher and --config).
#
# Each figure is the best of BENCH_RUNS runs (default 5). BENCH_MB sets the
# package size in MiB (default 100). Prints the throughputs (1 MB =
# 1,000,000 bytes) and the ratio limit / net: close to 1 is good.
set -euo pipefail

NAME=bench
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
OUT=$ROOT/build/bench
RUNS=${BENCH_RUNS:-5}
SIZE=$(( ${BENCH_MB:-100} * 1024 * 1024 ))

winpath() {
    case $1 in *' '*) fail "path with a space cannot be passed to /e: $1" ;; esac
    local p=${1//\//\\}
    printf 'Z:%s' "$p"
}

for f in boxlift launcher.exe inflate_records; do
    [ -e "$BIN/$f" ] || fail "$(rel "$BIN/$f") is missing: run make first"
done
mkdir -p "$OUT"

# 1. About 100 MiB of real content: a quarter documentation (text, much of
# it gzipped), the rest shared libraries, each list sorted so that the same
# system gives the same package.
concat_files() {  # DIR BYTES: the sorted regular files of DIR, cut at BYTES
    { find "$1" -type f -size +0 -print0 | LC_ALL=C sort -z |
        xargs -0 cat 2>/dev/null | head -c "$2"; } || true
}
content=$OUT/content.bin
docs=$(( SIZE / 4 ))
{
    concat_files /usr/share/doc "$docs"
    concat_files /usr/lib/x86_64-linux-gnu $(( SIZE - docs ))
} >"$content"
[ "$(stat -c %s "$content")" -eq "$SIZE" ] || fail "could not gather $SIZE bytes of content"

# Both packages are real databases made by wixl (boxlift reads their
# Property table); a Binary stream is stored in the database as it is.
# BINARY is the Binary element, or nothing for the small package.
make_package() {  # OUT.msi BINARY
    cat >"$OUT/bench.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Boxlift Bench" Language="1033" Version="1.0.0" Manufacturer="Boxlift"
           UpgradeCode="5d0e7b1c-3f2a-4c6d-9e8b-7a1f2c3d4e5f">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="Main" Level="1"/>
    $2
  </Product>
</Wix>
WXS
    (cd "$OUT" && wixl -o "$1" bench.wxs) || fail "wixl could not build $1"
}
package=$OUT/package.msi
make_package "$package" '<Binary Id="Content" SourceFile="content.bin"/>'
make_package "$OUT/empty.msi" ''
rm -f "$content"

# Seconds, as a decimal, for one run of "$@" (output discarded).
seconds_of() {
    local start=$EPOCHREALTIME
    "$@" </dev/null >/dev/null 2>&1 || return 1
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }'
}
# best_of PREPARE COMMAND...: the shortest of RUNS runs, PREPARE run
# (untimed) before each.
best_of() {
    local prepare=$1 best="" t
    shift
    for ((i = 0; i < RUNS; i++)); do
        $prepare
        t=$(seconds_of "$@") || t=fail
        [ "$t" != fail ] || fail "run failed: $*"
        best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print (a < b ? a : b) }')
    done
    printf '%s' "$best"
}

# 2. Both setup files, with the example's settings; the large one's build
# timed with no config and the built-in launcher, and with --launcher and
# --config as before.
nothing() { :; }
build_plain=$(best_of nothing "$BIN/boxlift" build -o "$OUT/setup.exe" "$package")
build_given=$(best_of nothing "$BIN/boxlift" build --launcher "$BIN/launcher.exe" \
    --config "$ROOT/examples/demo/demo.ini" -o "$OUT/setup.exe" "$package")
"$BIN/boxlift" build --config "$ROOT/examples/demo/demo.ini" -o "$OUT/empty-setup.exe" \
    "$OUT/empty.msi" >/dev/null
say build "best of $RUNS (s): boxlift build PACKAGE $build_plain, with --launcher and --config $build_given"
records=$("$BIN/inflate_records" "$OUT/setup.exe") || fail "inflate_records could not walk setup.exe"
say package "$(rel "$package"): $(stat -c %s "$package") bytes; $records"
say payload "$(rel "$OUT/setup.exe"): $(stat -c %s "$OUT/setup.exe") bytes"

# 3. Wine: the prefix shared with make demo, one persistent server for all
# runs, one warm-up call.
ensure_prefix "$OUT/wineboot.log"
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p60
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

extracted=$OUT/extracted
clear_extracted() { rm -rf "$extracted"; }
clear_copy() { rm -f "$OUT/copy.msi"; }
# The launcher always ends with exit code 1.
unpack() { wine "$1" /e "$(winpath "$extracted")"; [ $? -eq 1 ]; }

# The large run counts only when it really unpacks the package: checked
# before the timed runs and after the last of them.
check_unpacked() {
    local found
    mapfile -t found < <(find "$extracted" -mindepth 1 -maxdepth 1 -type f)
    [ "${#found[@]}" -eq 1 ] && cmp -s "${found[0]}" "$package" ||
        fail "setup.exe /e did not unpack the package intact into $(rel "$extracted")"
}
clear_extracted
unpack "$OUT/setup.exe" </dev/null >/dev/null 2>&1 || fail "setup.exe /e did not end with exit code 1"
check_unpacked

full=$(best_of clear_extracted unpack "$OUT/setup.exe")
check_unpacked
empty=$(best_of clear_extracted unpack "$OUT/empty-setup.exe")
inflate=$(best_of nothing "$BIN/inflate_records" "$OUT/setup.exe")
copy=$(best_of clear_copy cp --reflink=never "$package" "$OUT/copy.msi")
clear_extracted
clear_copy

say runs "best of $RUNS (s): setup.exe /e $full, empty package $empty, native inflate $inflate, cp $copy"
awk -v size="$(stat -c %s "$package")" -v full="$full" -v empty="$empty" -v inflate="$inflate" -v copy="$copy" '
BEGIN {
    net = full - empty
    limit = inflate + copy
    if (net <= 0) { print "bench: FAILED    the large run was no slower than the empty one"; exit 1 }
    printf "bench: net       %.3f s  -> %7.1f MB/s\n", net, size / 1e6 / net
    printf "bench: limit     %.3f s  -> %7.1f MB/s\n", limit, size / 1e6 / limit
    printf "bench: ratio     limit / net = %.2f\n", limit / net
}'
