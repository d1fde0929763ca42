#!/usr/bin/env bash
# make demo: builds the example product's package from examples/demo, packs
# it into build/demo/setup.exe and installs it with `setup.exe /q` under
# Wine; then shows the installed files and that the temporary package is
# gone.
set -euo pipefail

NAME=demo
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

# 4. setup.exe /q: the whole run without any window, as a script would.
set +e
(cd "$OUT" && timeout -s KILL 300 wine setup.exe /q </dev/null >"$OUT/wine.log" 2>&1)
code=$?
set -e
say ran "setup.exe /q -> exit code $code (always 1)"
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
