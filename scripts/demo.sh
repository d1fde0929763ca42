#!/usr/bin/env bash
# make demo: builds the example product's package from examples/demo, packs
# it into build/demo/setup.exe and installs it with `setup.exe /q` under
# Wine; then shows the installed files and that the temporary package is
# gone. With UI=1 the run is interactive: on $DISPLAY when there is one
# (click through it), else on an Xvfb display of its own, where Continue is
# pressed for you and the welcome dialog is saved as build/demo/welcome.png.
set -euo pipefail

NAME=demo
USER_DISPLAY=${DISPLAY:-}
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
OUT=$ROOT/build/demo
EXAMPLE=$ROOT/examples/demo

# $WINEPREFIX/drive_c/a/b -> C:\a\b
cpath() { local p=${1#"$WINEPREFIX/drive_c"}; printf 'C:%s' "${p//\//\\}"; }

for tool in wixl wine wineserver; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (run make deps)"
done
[ -x "$BIN/boxlift" ] || fail "run make first"

mkdir -p "$OUT"
rm -f "$OUT/setup.exe" "$OUT/error.log"

# 1. The package, from the WiX source (its File sources are relative to it).
(cd "$EXAMPLE" && wixl -o "$OUT/demo.msi" demo.wxs) || fail "wixl could not build demo.msi"
say package "$(rel "$OUT/demo.msi") ($(stat -c %s "$OUT/demo.msi") bytes)"

# 2. setup.exe: the launcher built into boxlift, with the package and
# demo.ini's settings.
"$BIN/boxlift" build --config "$EXAMPLE/demo.ini" -o "$OUT/setup.exe" "$OUT/demo.msi" \
    >/dev/null || fail "boxlift build failed"
say setup "$(rel "$OUT/setup.exe") ($(stat -c %s "$OUT/setup.exe") bytes)"

# 3. A Wine prefix of our own, created once and reused.
ensure_prefix "$OUT/wineboot.log"

INSTALLED="$WINEPREFIX/drive_c/Program Files (x86)/Boxlift Demo"
TEMP_DIR="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
# An earlier demo's product is removed first, so that what is shown below
# was installed by this run.
if [ -d "$INSTALLED" ]; then
    wine msiexec /q /x "$(winepath -w "$OUT/demo.msi")" </dev/null >/dev/null 2>&1 || true
    rm -rf "$INSTALLED"
fi

# 4. setup.exe /q: the whole run without any window, as a script would;
#    or with UI=1 the interactive run.
run_interactive() {
    local xvfb=
    if [ -n "$USER_DISPLAY" ]; then
        export DISPLAY=$USER_DISPLAY
    else
        local n=90
        while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
        Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb=$!
        export DISPLAY=:$n
        # A server of this session's display, not one left without it.
        wineserver -k 2>/dev/null || true
    fi
    (cd "$OUT" && timeout -s KILL 600 wine setup.exe </dev/null >"$OUT/wine.log" 2>&1) &
    local run=$!
    if [ -n "$xvfb" ]; then
        local window=
        for _ in $(seq 100); do
            window=$(xdotool search --name '^Boxlift Demo Setup$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
            sleep 0.2
        done
        [ -n "$window" ] || fail "no welcome dialog appeared"
        sleep 1
        import -window "$window" "$OUT/welcome.png"
        say shot "$(rel "$OUT/welcome.png")"
        xdotool windowfocus "$window" sleep 0.2 key Tab space  # Continue
    else
        say display "click through the dialogs on $DISPLAY"
    fi
    wait $run
    local code=$?
    if [ -n "$xvfb" ]; then wineserver -k 2>/dev/null || true; kill $xvfb; fi
    return $code
}
set +e
if [ "${UI:-}" = 1 ]; then
    run_interactive
    code=$?
    how="setup.exe (interactive)"
else
    (cd "$OUT" && timeout -s KILL 300 wine setup.exe /q </dev/null >"$OUT/wine.log" 2>&1)
    code=$?
    how="setup.exe /q"
fi
set -e
say ran "$how -> exit code $code (always 1)"
if [ -f "$OUT/error.log" ]; then
    cat "$OUT/error.log" >&2
    fail "setup.exe logged an error in $(rel "$OUT/error.log")"
fi

# 5. The installed files, and no temporary package left behind.
[ -d "$INSTALLED" ] || fail "nothing installed under $(cpath "$INSTALLED")"
while IFS= read -r file; do
    say installed "$(cpath "$file") ($(stat -c %s "$file") bytes)"
done < <(find "$INSTALLED" -type f | sort)
left=$(find "$TEMP_DIR" -maxdepth 1 -name 'qz??????.msi' 2>/dev/null | wc -l)
[ "$left" -eq 0 ] || fail "$left temporary package(s) left in $(cpath "$TEMP_DIR")"
say temp "no temporary package left in $(cpath "$TEMP_DIR")"
