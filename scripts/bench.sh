#!/usr/bin/env bash
# make bench: packing and extraction figures for a package of real content,
# printed as a table and written to docs/benchmarks.md.
#
#   packing      boxlift build at the default level on 1 job and on every
#                core, beside the zlib path it replaced (compress2 per
#                piece, one thread; tests/bench/pack_levels); and of the
#                same content in an MSZIP cabinet
#   levels       the chunk stream's size and time at every level 1..12
#   memory       peak resident memory of boxlift build for a large package
#   extraction   setup.exe /e under Wine (net of Wine's start-up) against a
#                plain native loop over the same file with the launcher's
#                zlib (tests/bench/extract_limit); and setup.exe /passive,
#                with its progress dialog, against /quiet
#
# Each time is the best of BENCH_RUNS runs (default 5), except the large
# build, run once. BENCH_MB sets the package size in MiB (default 100),
# BENCH_BIG_MB the large package's (default 2048; kept in build/bench and
# reused). 1 MB = 1,000,000 bytes. No figure makes the bench fail: only a
# broken build or a package that does not come back intact does.
set -euo pipefail

NAME=bench
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
source "$ROOT/scripts/deps/i386.sh"
OUT=$ROOT/build/bench
DOC=$ROOT/docs/benchmarks.md
RUNS=${BENCH_RUNS:-5}
SIZE=$(( ${BENCH_MB:-100} * 1024 * 1024 ))
BIG_MB=${BENCH_BIG_MB:-2048}
CORES=$(nproc)
DEMO_INI=$ROOT/examples/demo/demo.ini

for f in boxlift launcher.exe pack_levels extract_limit; do
    [ -e "$BIN/$f" ] || fail "$(rel "$BIN/$f") is missing: run make first"
done
command -v wixl >/dev/null || fail "wixl is not installed (run make deps)"
[ -x /usr/bin/time ] || fail "/usr/bin/time is not installed (run make deps)"
mkdir -p "$OUT"
load_before=$(uptime | sed 's/.*load average: //')
# Where i386 programs run under an emulator (the kernel runs no 32-bit
# code, or BOXLIFT_I386_EMULATION=1), rows 4a to 4f time the emulator, not
# the launcher.
emulator=$(i386_emulator)

winpath() {
    case $1 in *' '*) fail "path with a space cannot be passed to /e: $1" ;; esac
    local p=${1//\//\\}
    printf 'Z:%s' "$p"
}
# calc FORMAT EXPRESSION: awk's arithmetic, printed with FORMAT.
calc() { awk "BEGIN { printf \"$1\", ($2) }"; }
free_bytes() { df --output=avail -B1 "$OUT" | tail -n 1; }

# Seconds, as a decimal, for one run of "$@" (output discarded).
seconds_of() {
    local start=$EPOCHREALTIME
    "$@" </dev/null >/dev/null 2>&1 || return 1
    local end=$EPOCHREALTIME
    calc %.6f "$end - $start"
}
# least T BEST: the smaller of two times, BEST empty before the first.
least() { calc %s "($1 < ${2:-$1}) ? $1 : ${2:-$1}"; }
# best_of PREPARE COMMAND...: the shortest of RUNS runs, PREPARE run
# (untimed) before each.
best_of() {
    local prepare=$1 best="" t
    shift
    for ((i = 0; i < RUNS; i++)); do
        $prepare
        t=$(seconds_of "$@") || fail "run failed: $*"
        best=$(least "$t" "$best")
    done
    printf '%s' "$best"
}
nothing() { :; }

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

# The packages are real databases made by wixl (boxlift reads their
# Property table): a product holding BODY's elements.
write_wxs() {  # BODY
    cat >"$OUT/bench.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Boxlift Bench" Language="1033" Version="1.0.0" Manufacturer="Boxlift"
           UpgradeCode="5d0e7b1c-3f2a-4c6d-9e8b-7a1f2c3d4e5f">
    <Package InstallerVersion="200" Compressed="yes"/>
$1
  </Product>
</Wix>
WXS
}
# A Binary stream is stored in the database as it is.
binary_body() {  # FILE for the Binary element, or nothing
    printf '    <Directory Id="TARGETDIR" Name="SourceDir"/>\n    <Feature Id="Main" Level="1"/>\n'
    [ -z "${1:-}" ] || printf '    <Binary Id="Content" SourceFile="%s"/>\n' "$1"
}
make_package() {  # OUT.msi BODY
    write_wxs "$2"
    (cd "$OUT" && wixl -o "$1" bench.wxs) || fail "wixl could not build $(rel "$1")"
}
package=$OUT/package.msi
package_size() { stat -c %s "$package"; }
make_package "$package" "$(binary_body content.bin)"
make_package "$OUT/empty.msi" "$(binary_body)"

# The same content as a file in the package's embedded MSZIP cabinet, as
# real packages hold their files: hardly anything left to compress.
cab_package=$OUT/cabinet.msi
make_package "$cab_package" '    <Media Id="1" Cabinet="bench.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Boxlift Bench">
          <Component Id="Content" Guid="2f8e1c3a-5b7d-4e9f-8a1b-3c5d7e9f1a2b">
            <File Id="Content" Source="content.bin"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Content"/></Feature>'

# 2. The large package: the content repeated to BIG_MB MiB, packaged by
# wixl, which holds the whole Binary in memory. Made once; how long that
# took and its peak memory are kept beside it.
big=$OUT/big-$BIG_MB.msi
big_made=$big.made  # "SECONDS KIB" of making it
make_big_package() {
    local bytes=$(( BIG_MB * 1024 * 1024 ))
    local repeats=$(( bytes / SIZE + 1 ))
    rm -f "$OUT"/big-*.msi "$OUT"/big-*.msi.made
    local start=$EPOCHREALTIME
    # head stops the loop early: the pipe's status is that of a cut cat.
    { for ((i = 0; i < repeats; i++)); do cat "$content"; done | head -c "$bytes"; } \
        >"$OUT/big.bin" || true
    [ "$(stat -c %s "$OUT/big.bin")" -eq "$bytes" ] || fail "could not write $bytes bytes of content"
    local gathered=$EPOCHREALTIME
    write_wxs "$(binary_body big.bin)"
    (cd "$OUT" && /usr/bin/time -f '%e %M' -o "$OUT/wixl.time" \
        wixl -o "$big" bench.wxs) || fail "wixl could not build $(rel "$big")"
    rm -f "$OUT/big.bin"
    read -r wixl_seconds wixl_kib <"$OUT/wixl.time"
    printf '%s %s\n' "$(calc %.1f "$gathered - $start + $wixl_seconds")" "$wixl_kib" >"$big_made"
}
big_note=""
if [ ! -s "$big_made" ] || [ ! -f "$big" ]; then
    need=$(( 3 * BIG_MB * 1024 * 1024 ))  # content, package, setup.exe
    memory_kib=$(awk '$1 == "MemAvailable:" { print $2 }' /proc/meminfo)
    if [ "$(free_bytes)" -le "$need" ]; then
        big_note="skipped: less than $(( need >> 30 )) GiB free in $(rel "$OUT")"
    elif [ "$memory_kib" -le $(( (BIG_MB + 512) * 1024 )) ]; then
        big_note="skipped: wixl needs about $BIG_MB MiB of memory to make it"
    else
        say big "making $(rel "$big") ($BIG_MB MiB, once)"
        make_big_package
    fi
fi
rm -f "$content"

# 3. Packing: boxlift build with the example's settings on 1 job and on
# every core; the last build is the setup.exe unpacked below.
setup=$OUT/setup.exe
build_on() { "$BIN/boxlift" build --config "$DEMO_INI" --jobs "$1" -o "$setup" "$package"; }
# jobs_best_of BUILD: the best of RUNS runs of `BUILD 1` and of `BUILD
# CORES`, as "ONE ALL". The two alternate, so that a change in the
# machine's load weighs on both.
jobs_best_of() {
    local one="" all="" t
    for ((run = 0; run < RUNS; run++)); do
        t=$(seconds_of "$1" 1) || fail "$1 1: boxlift build failed"
        one=$(least "$t" "$one")
        t=$(seconds_of "$1" "$CORES") || fail "$1 $CORES: boxlift build failed"
        all=$(least "$t" "$all")
    done
    printf '%s %s' "$one" "$all"
}
best=$(jobs_best_of build_on)
read -r pack_one pack_all <<<"$best"
"$BIN/boxlift" build --config "$DEMO_INI" -o "$OUT/empty-setup.exe" "$OUT/empty.msi" >/dev/null
say packing "best of $RUNS (s): 1 job $pack_one, $CORES jobs $pack_all"

cab_setup=$OUT/cabinet-setup.exe
build_cab_on() { "$BIN/boxlift" build --jobs "$1" -o "$cab_setup" "$cab_package"; }
best=$(jobs_best_of build_cab_on)
read -r cab_one cab_all <<<"$best"
cab_size=$(stat -c %s "$cab_package") cab_setup_size=$(stat -c %s "$cab_setup")
cab_records=$("$BIN/boxlift" inspect "$cab_setup" | sed -n 's/^records *//p')
rm -f "$cab_setup"
say cabinet "best of $RUNS (s): 1 job $cab_one, $CORES jobs $cab_all; $cab_records"

# Levels and the zlib path, from the package in memory.
say levels "every level on $CORES jobs, level 6 on 1, zlib 6 and 9 on one thread (minutes)"
levels=$OUT/levels.txt
"$BIN/pack_levels" "$package" "$CORES" "$RUNS" >"$levels" || fail "pack_levels failed"
figure() { awk -v k="$1" -v n="$2" -v f="$3" '$1 == k && $2 == n { print $f }' "$levels"; }

# 4. Peak memory of the large build, and of inspect, verify and extract of
# what it wrote.
big_rss="" big_seconds=""
rm -f "$OUT"/big-inspect.time "$OUT"/big-verify.time "$OUT"/big-extract.time "$OUT"/big-signed.time
if [ -z "$big_note" ]; then
    # The setup.exe, then the package extract gives back.
    if [ "$(free_bytes)" -gt $(( 2 * BIG_MB * 1024 * 1024 )) ]; then
        /usr/bin/time -f '%e %M' -o "$OUT/big-build.time" "$BIN/boxlift" build \
            -o "$OUT/big-setup.exe" "$big" >/dev/null || fail "boxlift build of $(rel "$big") failed"
        read -r big_seconds big_rss <"$OUT/big-build.time"
        big_setup_size=$(stat -c %s "$OUT/big-setup.exe")
        say memory "$(rel "$big"): $big_seconds s, peak $big_rss KiB"
        for command in inspect verify extract; do
            args=("$OUT/big-setup.exe")
            [ "$command" != extract ] || args+=(-o "$OUT/big-out")
            /usr/bin/time -f '%e %M' -o "$OUT/big-$command.time" "$BIN/boxlift" "$command" \
                "${args[@]}" >/dev/null || fail "boxlift $command of the large setup.exe failed"
            say memory "$command: $(cat "$OUT/big-$command.time") (s, KiB)"
        done
        cmp -s "$big" "$OUT/big-out/big-setup.msi" || fail "extract did not give the large package back"
        # The same setup.exe signed: verify then digests all of it.
        openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=Bench -keyout "$OUT/bench.key" \
            -out "$OUT/bench.pem" 2>/dev/null || fail "openssl could not make the bench's certificate"
        osslsigncode sign -certs "$OUT/bench.pem" -key "$OUT/bench.key" -h sha256 \
            -in "$OUT/big-setup.exe" -out "$OUT/big-signed.exe" >/dev/null || fail "osslsigncode could not sign the large setup.exe"
        /usr/bin/time -f '%e %M' -o "$OUT/big-signed.time" "$BIN/boxlift" verify \
            "$OUT/big-signed.exe" >/dev/null || fail "boxlift verify of the signed large setup.exe failed"
        say memory "verify, signed: $(cat "$OUT/big-signed.time") (s, KiB)"
        rm -rf "$OUT/big-setup.exe" "$OUT/big-signed.exe" "$OUT/big-out"
    else
        big_note="skipped: not enough free disk for its setup.exe"
    fi
fi

# 5. Extraction under Wine: the prefix shared with make demo, one
# persistent server for all runs, one warm-up call.
ensure_prefix "$OUT/wineboot.log"
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p60
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

extracted=$OUT/extracted
limit_out=$OUT/limit.msi
clear_extracted() { rm -rf "$extracted"; }
clear_limit() { rm -f "$limit_out"; }
# The launcher always ends with exit code 1.
unpack() { wine "$1" /e "$(winpath "$extracted")"; [ $? -eq 1 ]; }

# The large run counts only when it really unpacks the package: checked
# before the timed runs and after the last of them; the limit's output too.
check_unpacked() {
    local found
    mapfile -t found < <(find "$extracted" -mindepth 1 -maxdepth 1 -type f)
    [ "${#found[@]}" -eq 1 ] && cmp -s "${found[0]}" "$package" ||
        fail "setup.exe /e did not unpack the package intact into $(rel "$extracted")"
}
clear_extracted
unpack "$setup" </dev/null >/dev/null 2>&1 || fail "setup.exe /e did not end with exit code 1"
check_unpacked
records=$("$BIN/extract_limit" "$setup" "$limit_out") || fail "extract_limit could not read setup.exe"
cmp -s "$limit_out" "$package" || fail "extract_limit did not give the package back intact"

full=$(best_of clear_extracted unpack "$setup")
check_unpacked
empty=$(best_of clear_extracted unpack "$OUT/empty-setup.exe")
limit=$(best_of clear_limit "$BIN/extract_limit" "$setup" "$limit_out")
clear_extracted
clear_limit
say extract "best of $RUNS (s): setup.exe /e $full, empty package $empty, native loop $limit"
net=$(calc %.6f "$full - $empty")
[ "$(calc %d "$net > 0")" = 1 ] || fail "the large run was no slower than the empty one"

# 6. The progress dialog's cost: setup.exe /passive (the progress dialog,
# no questions) against /quiet (no window), each timed from its start until
# its temporary package in the Wine user's Temp folder holds the whole
# package; the run is then ended with the Wine server, before the installer
# starts. Both run on an Xvfb display of the bench's own.
temp_dir=$WINEPREFIX/drive_c/users/$(id -un)/Temp
display=90
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
# A fresh server on the display, warmed up, before each timed run.
fresh_server() {
    wineserver -k 2>/dev/null || true
    wineserver -w
    rm -f "$temp_dir"/qz*.msi
    DISPLAY=:$display wineserver -p60
    DISPLAY=:$display wine cmd /c exit </dev/null >/dev/null 2>&1
}
# written_size: the size of the temporary package, 0 while there is none.
written_size() {
    local f
    for f in "$temp_dir"/qz*.msi; do
        [ -f "$f" ] && { stat -c %s "$f"; return; }
    done
    echo 0
}
# until_written SWITCH: seconds until setup.exe SWITCH has written the
# whole package (polled every 5 ms); fails after a minute.
until_written() {
    local bytes start end="" run
    bytes=$(package_size)
    start=$EPOCHREALTIME
    DISPLAY=:$display wine "$setup" "$1" </dev/null >/dev/null 2>&1 &
    run=$!
    for ((n = 0; n < 12000; n++)); do
        if [ "$(written_size)" -ge "$bytes" ]; then end=$EPOCHREALTIME; break; fi
        sleep 0.005
    done
    wineserver -k 2>/dev/null || true
    wait $run 2>/dev/null || true
    [ -n "$end" ] || return 1
    calc %.6f "$end - $start"
}
# The two switches alternate, so that a change in the load weighs on both.
quiet_best="" passive_best=""
for ((run = 0; run < RUNS; run++)); do
    fresh_server
    t=$(until_written /quiet) || fail "setup.exe /quiet did not write the whole package"
    quiet_best=$(least "$t" "$quiet_best")
    fresh_server
    t=$(until_written /passive) || fail "setup.exe /passive did not write the whole package"
    passive_best=$(least "$t" "$passive_best")
done
wineserver -k 2>/dev/null || true
rm -f "$temp_dir"/qz*.msi
kill $xvfb 2>/dev/null || true
dialog_ratio=$(calc %.2f "$passive_best / $quiet_best")
say dialog "best of $RUNS (s) until the package is written: /quiet $quiet_best, /passive $passive_best"

# 7. The table.
size=$(package_size)
mbps() { calc %.1f "$size / 1e6 / $1"; }  # SECONDS -> MB/s of the package
secs() { calc %.2f "$1"; }
mib() { calc %.1f "$1 / 1048576"; }
yes_no() { calc %s "($1) ? \"yes\" : \"no\""; }
z6_size=$(figure zlib 6 3) z6_time=$(figure zlib 6 4)
z9_size=$(figure zlib 9 3) z9_time=$(figure zlib 9 4)
l6_size=$(figure level 6 3)
l12_size=$(figure level 12 3)
speedup=$(calc %.2f "$pack_one / $pack_all")
single_time=$(figure single 6 4)
vs_z6_speed=$(calc %.2f "$z6_time / $single_time")
l12_gain=$(calc %.1f "100 * (1 - $l12_size / $z9_size)")
ratio=$(calc %.2f "$limit / $net")

table() {
    echo "| Row | Figure | Aim | Met |"
    echo "|---|---|---|---|"
    echo "| 1a. boxlift build, level 6, 1 job | $(mbps "$pack_one") MB/s ($(secs "$pack_one") s) | | |"
    echo "| 1b. boxlift build, level 6, $CORES jobs | $(mbps "$pack_all") MB/s ($(secs "$pack_all") s) | | |"
    echo "| 1c. $CORES jobs / 1 job | $speedup × | ≥ 1.8 on 2 cores | $(yes_no "$speedup >= 1.8") |"
    echo "| 1d. zlib 9 per piece, 1 thread (previous path) | $(mbps "$z9_time") MB/s ($(secs "$z9_time") s), $(mib "$z9_size") MiB | | |"
    echo "| 1e. zlib 6 per piece, 1 thread | $(mbps "$z6_time") MB/s ($(secs "$z6_time") s), $(mib "$z6_size") MiB | | |"
    echo "| 1f. level 6, 1 job, in memory | $(mbps "$single_time") MB/s ($(secs "$single_time") s) | | |"
    echo "| 1g. level 6 against zlib 6, 1 job each | size $(calc %.3f "$l6_size / $z6_size") ×, speed $vs_z6_speed × | size ≤ 1, speed ≥ 2 | $(yes_no "$l6_size <= $z6_size && $vs_z6_speed >= 2") |"
    local level
    for level in $(seq 1 12); do
        local s t
        s=$(figure level "$level" 3) t=$(figure level "$level" 4)
        echo "| 2. level $level, $CORES jobs | $(mib "$s") MiB ($(calc %+.1f "100 * ($s / $z9_size - 1)") % against zlib 9), $(mbps "$t") MB/s | | |"
    done
    echo "| 2z. zlib 9 per piece | $(mib "$z9_size") MiB | | |"
    echo "| 2x. level 12 against zlib 9 | $l12_gain % smaller | ≥ 3 % smaller | $(yes_no "$l12_gain >= 3") |"
    if [ -n "$big_rss" ]; then
        echo "| 3. peak memory, boxlift build of $BIG_MB MiB | $(calc %.1f "$big_rss / 1024") MiB ($(secs "$big_seconds") s, setup.exe $(mib "$big_setup_size") MiB) | < 64 MiB | $(yes_no "$big_rss < 65536") |"
    else
        echo "| 3. peak memory, boxlift build of $BIG_MB MiB | $big_note | < 64 MiB | |"
    fi
    local command
    for command in inspect verify extract signed; do
        [ -s "$OUT/big-$command.time" ] || continue
        local seconds kib what="$command of that setup.exe"
        [ "$command" != signed ] || what="verify of that setup.exe, signed"
        read -r seconds kib <"$OUT/big-$command.time"
        echo "| 3${command:0:1}. peak memory, boxlift $what | $(calc %.1f "$kib / 1024") MiB ($(secs "$seconds") s) | < 64 MiB | $(yes_no "$kib < 65536") |"
    done
    if [ -s "$big_made" ]; then
        read -r made_seconds made_kib <"$big_made"
        echo "| 3m. making the $BIG_MB MiB package (repeat content + wixl) | $made_seconds s, wixl peak $(calc %.0f "$made_kib / 1024") MiB | | |"
    fi
    # Under emulation the two ratios compare qemu with the native loop.
    local emulated="" limit_ratio=$ratio dialog="$dialog_ratio ×" dialog_met
    dialog_met=$(yes_no "$dialog_ratio <= 1.1")
    if [ -n "$emulator" ]; then
        emulated=" (under i386 emulation)"
        limit_ratio="not comparable: i386 emulation" dialog=$limit_ratio dialog_met=""
    fi
    echo "| 4a. setup.exe /e net of Wine's start-up$emulated | $(mbps "$net") MB/s ($(secs "$net") s = $(secs "$full") - $(secs "$empty")) | | |"
    echo "| 4b. native loop (limit) | $(mbps "$limit") MB/s ($(secs "$limit") s) | | |"
    echo "| 4c. limit / net | $limit_ratio | close to 1 | |"
    echo "| 4d. setup.exe /quiet until its package is written$emulated | $(secs "$quiet_best") s | | |"
    echo "| 4e. setup.exe /passive (progress dialog) until the same$emulated | $(secs "$passive_best") s | | |"
    echo "| 4f. /passive / /quiet | $dialog | ≤ 1.1 | $dialog_met |"
    echo "| 5a. cabinet package, boxlift build, level 6, 1 job | $(calc %.1f "$cab_size / 1e6 / $cab_one") MB/s ($(secs "$cab_one") s) | | |"
    echo "| 5b. cabinet package, boxlift build, level 6, $CORES jobs | $(calc %.1f "$cab_size / 1e6 / $cab_all") MB/s ($(secs "$cab_all") s) | | |"
    echo "| 5c. cabinet package's setup.exe | $(mib "$cab_setup_size") MiB from $(mib "$cab_size") MiB; records $cab_records | | |"
}

explanation() {
    cat <<EOF
The package: $size bytes, a wixl database holding $((SIZE >> 20)) MiB of
this machine's files as a Binary stream (a quarter from /usr/share/doc, the
rest from /usr/lib/x86_64-linux-gnu). Its setup.exe at level 6 holds
$records.
1 MB = 1,000,000 bytes of the package; times are the best of $RUNS runs
unless said otherwise.

- **1a, 1b**: \`boxlift build --jobs 1\` and \`--jobs $CORES\` (every core)
  at the default level, 6, with the example's settings, writing the whole
  setup.exe; the two are run in turn.
- **1c**: how much faster every core packs than one.
- **1d**: how the tool packed before its levels: zlib's \`compress2\` at
  level 9 on each 65,536-byte piece, one after the other on one thread, a
  piece stored when its stream is not smaller or holds a fixed-Huffman
  block (\`tests/bench/pack_levels\`, the package in memory).
- **1e**: the same at zlib level 6.
- **1f**: level 6 on 1 job as 1e measures zlib: the chunk stream of the
  package in memory, no file read or written.
- **1g**: level 6 against zlib 6, one thread each: the chunk stream's size
  (2, level 6, over 1e) and the speed (1e's time over 1f's).
- **2**: the chunk stream (count, records, end record) at each level,
  encoded in memory on $CORES jobs; beside it, the same for zlib 9 (1d).
  The setup.exe is the stream plus the launcher image and the settings
  block.
- **2x**: how much smaller level 12 is than zlib 9.
- **3**: peak resident memory (\`/usr/bin/time -f %M\`) of one
  \`boxlift build\` of a $BIG_MB MiB package: the content above repeated
  and packaged by wixl. **3i, 3v, 3e**: the same of \`boxlift inspect\`,
  \`verify\` and \`extract\` of the setup.exe it wrote (**3s**: \`verify\` of it
  signed by osslsigncode, which digests the whole file) (inspect and verify
  copy the package to the temporary folder, for its own signature and,
  inspect, its identity). **3m**: how long making that package took and
  wixl's peak memory (it holds the whole Binary); it is made once and kept
  in build/bench.
- **4a**: \`setup.exe /e\` of the package under Wine, minus \`setup.exe /e\`
  of an empty package (Wine's start-up and the launcher's own).
- **4b**: \`tests/bench/extract_limit\`: one native pass over the same
  setup.exe with the launcher's zlib built natively from the same source
  with the same flags: find the payload, then read a record header, read
  its data, inflate it (a stored record is copied), write it to the output
  file, until the end record.
- **4c**: the limit's time over the net time: 1 means the launcher under
  Wine unpacks as fast as the plain native loop.
- **4d, 4e**: \`setup.exe /quiet\` and \`setup.exe /passive\` (the
  progress dialog, on an Xvfb display) of the same setup.exe, each from
  its start until its temporary package in the Wine user's Temp folder
  holds the whole package (polled every 5 ms), Wine's start-up included;
  the run is then ended before the installer starts. **4f**: what the
  progress dialog costs. Most of the difference is the dialog coming up,
  which costs the same on any package, so it weighs less on a larger one
  (\`BENCH_MB\`).
- **5a, 5b**: as 1a and 1b for the same content as one file in the
  package's embedded MSZIP cabinet (made by wixl; $(mib "$cab_size") MiB),
  the way real packages hold their files: pieces that will not shrink are
  recognised and stored without compressing. **5c**: its setup.exe and how
  its records came out.
EOF
}

{
    echo "# Benchmarks"
    echo
    echo "Written by \`make bench\` (scripts/bench.sh) on $(date -u '+%Y-%m-%d %H:%M UTC'),"
    echo "$CORES cores ($(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')), load average"
    echo "$load_before before the run and $(uptime | sed 's/.*load average: //') after it."
    if [ -n "$emulator" ]; then
        echo
        echo "Wine and the launcher ran under the i386 emulator \`$emulator\`"
        echo "(registered with binfmt_misc: the kernel runs no 32-bit code, or"
        echo "BOXLIFT_I386_EMULATION=1 asked for it). Rows 4a to 4f time the emulator,"
        echo "not the launcher, and are not comparable with a native host's."
    fi
    echo
    table
    echo
    explanation
} >"$DOC.tmp"
mv "$DOC.tmp" "$DOC"
echo
table
echo
say table "written to $(rel "$DOC")"
