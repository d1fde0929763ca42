#!/usr/bin/env bash
# Checks the include order of the sources: each folder of the launcher
# includes only itself and the folders below it, and the packaging tool
# sees nothing of src/ but the payload format library.
#   launcher: format < common < payload < engine < ui < startup
#   (a quoted name without a folder is a header of src/format, or
#   res/resource_ids.h)
# Prints every include against the order and fails if there is one.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
layers=(format common payload engine ui startup)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }

bad=0
complain() { echo "$1: includes \"$2\" $3"; bad=1; }

# Quoted includes of a file, one a line.
includes() { sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"; }

checked=0
for file in $(git ls-files 'src/*.cpp' 'src/*.h' 2>/dev/null || find src -name '*.cpp' -o -name '*.h'); do
    folder=${file#src/}; folder=${folder%%/*}
    mine=$(rank "$folder")
    [ "$mine" -ge 0 ] || { complain "$file" "" "(a folder outside the layers)"; continue; }
    checked=$((checked + 1))
    for inc in $(includes "$file"); do
        if [[ $inc != */* ]]; then
            [ -f "src/format/$inc" ] || [ -f "res/$inc" ] || [ -f "$(dirname "$file")/$inc" ] ||
                complain "$file" "$inc" "(no such header in src/format or res)"
            if [ "$folder" = format ] && [ ! -f "src/format/$inc" ]; then
                complain "$file" "$inc" "(the format library includes only itself)"
            fi
            continue
        fi
        theirs=$(rank "${inc%%/*}")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$mine" ] || [ "$folder" = format ]; then
            complain "$file" "$inc" "(${inc%%/*} is not below $folder)"
        fi
    done
done

# The tool: a quoted include is its own header (relative to tools/boxlift or
# to the including file), a header of src/format, or res/resource_ids.h.
for file in $(git ls-files 'tools/*.cpp' 'tools/*.h' 2>/dev/null || find tools -name '*.cpp' -o -name '*.h'); do
    checked=$((checked + 1))
    for inc in $(includes "$file"); do
        [ -f "tools/boxlift/$inc" ] || [ -f "$(dirname "$file")/$inc" ] && continue
        [[ $inc != */* ]] && { [ -f "src/format/$inc" ] || [ -f "res/$inc" ]; } && continue
        complain "$file" "$inc" "(the tool sees only src/format of the launcher)"
    done
done

[ "$checked" -gt 0 ] || { echo "no sources found under $root"; exit 2; }
[ "$bad" -eq 0 ] && echo "include order kept in $checked files"
exit $bad
