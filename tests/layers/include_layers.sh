#!/usr/bin/env bash
# Checks the include order of the sources: each folder of the launcher and
# of the packaging tool includes only itself and the folders below it, and
# the tool sees nothing of src/ but the payload format library, through its
# payload/ folder alone.
#   launcher: format < common < payload < engine < ui < startup
#   tool:     base < platform < payload < image < package < signature < cli
#   (a quoted name without a folder is a header of src/format, or
#   res/resource_ids.h)
# Prints every include against the order and fails if there is one.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
layers=(format common payload engine ui startup)
tool_layers=(base platform payload image package signature cli)
# rank NAME LAYER...: NAME's place among the layers, or -1.
rank() {
    local name=$1 i=0; shift
    for layer in "$@"; do [ "$layer" = "$name" ] && echo "$i" && return; i=$((i + 1)); done
    echo -1
}

bad=0
complain() { echo "$1: includes \"$2\" $3"; bad=1; }

# Quoted includes of a file, one a line.
includes() { sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"; }

checked=0
for file in $(git ls-files 'src/*.cpp' 'src/*.h' 2>/dev/null || find src -name '*.cpp' -o -name '*.h'); do
    folder=${file#src/}; folder=${folder%%/*}
    mine=$(rank "$folder" "${layers[@]}")
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
        theirs=$(rank "${inc%%/*}" "${layers[@]}")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$mine" ] || [ "$folder" = format ]; then
            complain "$file" "$inc" "(${inc%%/*} is not below $folder)"
        fi
    done
done

# The tool: a quoted include is one of its own headers in a folder not
# above the file's, a header of src/format (from payload/ only), or
# res/resource_ids.h.
for file in $(git ls-files 'tools/*.cpp' 'tools/*.h' 2>/dev/null || find tools -name '*.cpp' -o -name '*.h'); do
    checked=$((checked + 1))
    folder=${file#tools/boxlift/}; folder=${folder%%/*}
    mine=$(rank "$folder" "${tool_layers[@]}")
    for inc in $(includes "$file"); do
        if [ -f "tools/boxlift/$inc" ] && [[ $inc == */* ]]; then
            theirs=$(rank "${inc%%/*}" "${tool_layers[@]}")
            [ "$theirs" -ge 0 ] && [ "$theirs" -le "$mine" ] ||
                complain "$file" "$inc" "(${inc%%/*} is not below $folder)"
        elif [[ $inc != */* ]] && [ -f "src/format/$inc" ]; then
            [ "$folder" = payload ] || complain "$file" "$inc" "(only payload/ includes the format library)"
        elif [[ $inc != */* ]] && [ -f "res/$inc" ]; then
            :
        else
            complain "$file" "$inc" "(the tool sees only src/format of the launcher)"
        fi
    done
done

[ "$checked" -gt 0 ] || { echo "no sources found under $root"; exit 2; }
[ "$bad" -eq 0 ] && echo "include order kept in $checked files"
exit $bad
