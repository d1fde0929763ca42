# Sourced by install-deps.sh and bench.sh: 32-bit x86 programs (wine32,
# and through it the launcher, boxlift.exe and Wine's own 32-bit half) on
# a host whose kernel runs none ("Exec format error", as on some virtual
# machines). There Debian's qemu-user from bookworm-backports is
# registered with binfmt_misc for i386 ELF files, and Wine runs unchanged
# through it. bookworm's own qemu 7.2 also works, but spends about 50 s
# per Wine process start in emulated mmap retries; qemu 10 takes half a
# second.
#
# BOXLIFT_I386_EMULATION=1 registers it even where 32-bit programs run
# natively (binfmt_misc handlers are tried before the kernel's own ELF
# loader), so that the emulated path can be tried on any host; a run
# without the switch leaves it registered, since another build or test run
# may rely on it. BOXLIFT_I386_EMULATION=0 removes it where the native path
# works.

I386_PROBE=/lib/ld-linux.so.2   # an i386 program; libc6:i386 comes with wine32
I386_BINFMT=/proc/sys/fs/binfmt_misc
I386_HANDLER=boxlift-i386
I386_QEMU_DIR=/usr/local/libexec/boxlift
# Pinned; when backports no longer holds it, its newest qemu-user 10 or
# later is taken instead, and the run says so.
I386_QEMU_VERSION=1:10.0.2+ds-2+deb13u1~bpo12+1

i386_say() { printf 'install-deps: %s\n' "$*"; }
i386_runs() { "$I386_PROBE" --version >/dev/null 2>&1; }

# The interpreter of the enabled binfmt_misc handler for i386 ELF files,
# ours or another's; nothing where the kernel runs them itself.
i386_emulator() {
    local entry
    for entry in "$I386_BINFMT"/*; do
        [ -f "$entry" ] && grep -qx enabled "$entry" 2>/dev/null || continue
        grep -q '^magic 7f454c46010101.*0300$' "$entry" || continue
        sed -n 's/^interpreter //p' "$entry"
        return 0
    done
}

# Fetches qemu-i386 from bookworm-backports into I386_QEMU_DIR, once per
# host, with apt's own signature checks, but without adding backports
# to the system's sources.
i386_fetch_qemu() {
    [ -x "$I386_QEMU_DIR/qemu-i386" ] && return 0
    local work status=0
    work=$(mktemp -d)
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        >"$work/backports.sources"
    local apt_opts=(-o "Dir::Etc::sourcelist=$work/backports.sources" -o Dir::Etc::sourceparts=-
                    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
                    -o "APT::Architecture=$(dpkg --print-architecture)" -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" update -qq || status=$?
    local version=$I386_QEMU_VERSION
    if [ $status -eq 0 ] && ! apt-cache "${apt_opts[@]}" madison qemu-user | grep -q " $version "; then
        version=$(apt-cache "${apt_opts[@]}" policy qemu-user | sed -n 's/^  Candidate: //p')
        if dpkg --compare-versions "${version:-0}" lt 1:10; then
            i386_say "bookworm-backports offers no qemu-user 10 or later (found: ${version:-none})"
            status=1
        else
            i386_say "qemu-user $I386_QEMU_VERSION is gone from bookworm-backports; taking $version"
        fi
    fi
    [ $status -eq 0 ] && (cd "$work" && apt-get "${apt_opts[@]}" download -qq "qemu-user=$version") || status=1
    [ $status -eq 0 ] && dpkg-deb -x "$work"/qemu-user_*.deb "$work/x" &&
        install -D -m 755 "$work/x/usr/bin/qemu-i386" "$I386_QEMU_DIR/qemu-i386" || status=1
    rm -rf "$work"
    [ $status -eq 0 ] || i386_say "could not fetch qemu-user $version from bookworm-backports"
    return $status
}

i386_register() {
    mountpoint -q "$I386_BINFMT" || mount -t binfmt_misc binfmt_misc "$I386_BINFMT"
    [ -e "$I386_BINFMT/$I386_HANDLER" ] && echo -1 >"$I386_BINFMT/$I386_HANDLER"
    # Magic and mask: an ELF file, 32-bit, little-endian, an executable or
    # shared object (e_type 2 or 3), for i386 (e_machine 3). F: the kernel
    # opens the emulator now, so it is found inside any mount namespace.
    printf '%s' ":$I386_HANDLER:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$I386_QEMU_DIR/qemu-i386:F" \
        >"$I386_BINFMT/register"
}

# Makes sure 32-bit programs run: natively where the kernel can, else (or
# with BOXLIFT_I386_EMULATION=1) through qemu. Says what it did in one
# line; says nothing when nothing changed.
i386_ensure() {
    [ -e "$I386_PROBE" ] || return 0
    local ours=$I386_BINFMT/$I386_HANDLER force=${BOXLIFT_I386_EMULATION:-}
    if [ -e "$ours" ] && [ "$force" != 1 ]; then
        [ "$force" = 0 ] && [ "$(id -u)" -eq 0 ] || return 0
        echo 0 >"$ours"   # does the native path work?
        if i386_runs; then
            echo -1 >"$ours"
            i386_say "BOXLIFT_I386_EMULATION=0: 32-bit programs run natively; removed the i386 emulation"
            return 0
        fi
        echo 1 >"$ours"
        i386_say "BOXLIFT_I386_EMULATION=0: this kernel runs no 32-bit programs; the i386 emulation stays"
        return 0
    fi
    if [ "$force" = 1 ]; then
        [ -e "$ours" ] && grep -qx enabled "$ours" && return 0
    elif i386_runs; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        i386_say "this kernel runs no 32-bit programs; run 'make' as root to register an emulator" >&2
        return 1
    fi
    i386_fetch_qemu || return 1
    i386_register
    if ! i386_runs; then
        i386_say "$I386_PROBE does not run even through $I386_QEMU_DIR/qemu-i386" >&2
        return 1
    fi
    if [ "$force" = 1 ]; then
        i386_say "BOXLIFT_I386_EMULATION=1: i386 programs now run under $I386_QEMU_DIR/qemu-i386"
    else
        i386_say "this kernel runs no 32-bit programs; i386 programs now run under $I386_QEMU_DIR/qemu-i386"
    fi
}
