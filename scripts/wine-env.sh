# Sourced by demo.sh and bench.sh: the shared Wine prefix build/wine, its
# variables, and the scripts' output helpers. Set NAME before sourcing.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=$ROOT/build/bin

export WINEPREFIX=$ROOT/build/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# No display: a message box returns at once instead of waiting for a click.
unset DISPLAY WAYLAND_DISPLAY

say() { printf '%s: %-9s %s\n' "$NAME" "$1" "$2"; }
fail() { printf '%s: FAILED    %s\n' "$NAME" "$1" >&2; exit 1; }
rel() { printf '%s' "${1#"$ROOT"/}"; }

# Creates the prefix once; later runs reuse it. $1: where wineboot logs.
ensure_prefix() {
    [ -f "$WINEPREFIX/.boxlift-prefix-ready" ] && return 0
    say wine "creating prefix $(rel "$WINEPREFIX") (once, about 10 s)"
    rm -rf "$WINEPREFIX"
    wine wineboot -i >"$1" 2>&1 || fail "wineboot failed, see $(rel "$1")"
    wineserver -w
    echo "created by scripts/wine-env.sh" >"$WINEPREFIX/.boxlift-prefix-ready"
}
