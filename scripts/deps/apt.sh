# Sourced by install-deps.sh: apt steps that hold up on a mirror in
# mid-sync. Each says what went wrong in one line, prefixed "install-deps:".

apt_say() { printf 'install-deps: %s\n' "$*"; }

# Refreshes the package indexes, three tries. When an index still fails
# (a mirror in mid-sync: "File has unexpected size ... Mirror sync in
# progress?"), goes on with the indexes apt has, naming the ones it lacks:
# every package needed may still be found.
apt_update() {
    local err try
    err=$(mktemp)
    for try in 1 2 3; do
        if apt-get update -qq 2>"$err"; then
            rm -f "$err"
            return 0
        fi
        [ "$try" -lt 3 ] && sleep $((try * 10))
    done
    local failed
    failed=$(sed -n 's/^E: Failed to fetch \(\S*\) *\(.*\)/\1 (\2)/p' "$err" | sed 's/ \[IP: [^]]*\]//' | paste -sd ';' -)
    rm -f "$err"
    apt_say "apt-get update failed 3 times; going on with the indexes apt has. Not fetched: ${failed:-see apt-get update}"
}

# Prints apt preferences that hold both halves of each Multi-Arch: same
# package, among those PACKAGES... (names with their :arch) may need, at
# one version. Where an index of one architecture is missing, apt would
# take the newer half from one suite and the older from another, and
# refuse ("held broken packages"). The version chosen is the one both
# architectures offer that apt prefers: the highest pin priority, then the
# highest version (apt lists versions highest first). The pin holds every
# binary package of the same source, so that siblings that depend on each
# other at "=" follow. Prints nothing where the candidates already agree.
apt_multiarch_pins() {
    local native names
    native=$(dpkg --print-architecture)
    mapfile -t names < <(apt-cache depends --recurse --no-recommends --no-suggests \
        --no-conflicts --no-breaks --no-replaces --no-enhances "$@" 2>/dev/null |
        sed -n 's/^\([a-z0-9][^ <]*:[a-z0-9]*\)$/\1/p' | sort -u)
    [ ${#names[@]} -gt 0 ] || return 0
    # NAME:ARCH SOURCE of each Multi-Arch: same package among them
    local same
    same=$(apt-cache show --no-all-versions "${names[@]}" 2>/dev/null | awk '
        /^Package:/ { p = $2; s = $2 } /^Source:/ { s = $2 } /^Architecture:/ { a = $2 }
        /^Multi-Arch: same/ { m = 1 }
        /^$/ { if (m) print p ":" a, s; m = 0 }' | sort -u)
    [ -n "$same" ] || return 0
    local queries
    mapfile -t queries < <(awk -v native="$native" '{ n = $1; sub(/:.*/, "", n); print n ":" native; print $1 }' <<<"$same")
    apt-cache policy "${queries[@]}" 2>/dev/null | awk -v native="$native" '
        /^[^ ].*:$/ {
            sub(/:$/, ""); name = $0; arch = native
            if (name ~ /:/) { arch = name; sub(/.*:/, "", arch); sub(/:.*/, "", name) }
            if (!(name in seen)) { seen[name] = 1; names[++count] = name }
            if (arch != native) foreign[name] = arch
            key = name SUBSEP arch; next
        }
        /^  Candidate:/ { candidate[key] = $2; next }
        /^ (\*\*\*|   ) [^ ]+ -?[0-9]+$/ {
            versions[key] = versions[key] " " $(NF - 1); priority[key SUBSEP $(NF - 1)] = $NF; next
        }
        END {
            for (i = 1; i <= count; i++) {
                name = names[i]; mine = name SUBSEP native; other = name SUBSEP foreign[name]
                if (!(name in foreign) || candidate[mine] == candidate[other]) continue
                n = split(versions[mine], list, " "); best = ""
                for (j = 1; j <= n; j++) {
                    if (!((other SUBSEP list[j]) in priority)) continue
                    p = priority[mine SUBSEP list[j]] + 0
                    if (priority[other SUBSEP list[j]] + 0 < p) p = priority[other SUBSEP list[j]] + 0
                    if (best == "" || p > bestPriority) { best = list[j]; bestPriority = p }
                }
                if (best != "") print name, best
            }
        }' | awk 'NR == FNR { n = $1; sub(/:.*/, "", n); source[n] = $2; next }
                  !(source[$1] in done) {
                      done[source[$1]] = 1
                      printf "Package: src:%s:any\nPin: version %s\nPin-Priority: 1001\n\n", source[$1], $2
                  }' <(printf '%s\n' "$same") -
}

# Why apt cannot install PACKAGES..., in one line: the first cause apt
# names that is not only a consequence ("... but it is not going to be
# installed"), preferring one about the packages asked for, and following
# such consequences a few packages down. APT_OPTS (an array) are passed to
# apt-get.
apt_why_not() {
    local out unmet wanted cause next depth
    for depth in 1 2 3 4 5; do
        out=$(apt-get -s --no-remove "${APT_OPTS[@]}" install "$@" 2>&1) && return 0
        if grep -q '^E: Unable to locate package' <<<"$out"; then
            sed -n 's/^E: Unable to locate package \(.*\)/\1: no index apt has offers it/p' <<<"$out" | head -n 1
            return 0
        fi
        # "PACKAGE: Depends: ...", one line each, alternatives ("or") joined
        unmet=$(sed -n '/have unmet dependencies:/,/^E:/p' <<<"$out" | sed '1d;$d' | awk '
            /^ [^ ]+ :/ { who = $1; sub(/^ [^ ]+ : */, "") }
            { sub(/^ +/, ""); line = (joined ? line " " : who ": ") $0; joined = / or$/ }
            !joined { print line }' | grep -E ': (Pre)?Depends:|: Breaks:|: Conflicts:')
        wanted=$(printf '%s\n' "${@%%[:=]*}")
        cause=$(grep -v 'not going to be installed' <<<"$unmet" | grep -F -f <(echo "$wanted") | head -n 1)
        [ -n "$cause" ] || cause=$(grep -v 'not going to be installed' <<<"$unmet" | head -n 1)
        if [ -n "$cause" ]; then
            printf '%s\n' "$cause"
            return 0
        fi
        next=$( (grep -F -f <(echo "$wanted") <<<"$unmet"; echo "$unmet") |
            sed -n 's/.*Depends: \([^ ]*\) .*but it is not going to be installed.*/\1/p' | head -n 1)
        [ -n "$next" ] || break
        set -- "$next"
    done
    if grep -q '^E: Packages need to be removed' <<<"$out"; then
        printf 'that would remove %s\n' "$(apt-get -s "${APT_OPTS[@]}" install "$@" 2>/dev/null |
            sed -n 's/^Remv \([^ ]*\).*/\1/p' | head -n 8 | paste -sd ' ' -)"
        return 0
    fi
    grep '^E:' <<<"$out" | head -n 1
}

# Installs PACKAGES..., the halves of Multi-Arch: same packages at one
# version. On failure says which package, on which architecture, and why,
# in one line, and returns 1.
apt_install() {
    local pins
    pins=$(mktemp)
    apt_multiarch_pins "$@" >"$pins"
    APT_OPTS=(-o "Dir::Etc::Preferences=$pins")
    if [ -s "$pins" ]; then
        apt_say "the indexes offer the i386 and $(dpkg --print-architecture) halves of some packages at different versions; installing both at $(awk '/^Package:/ { p = $2; sub(/^src:/, "", p); sub(/:any$/, "", p) } /^Pin:/ { printf "%s%s %s", sep, p, $3; sep = ", " }' "$pins")"
    fi
    local log status=0
    log=$(mktemp)
    apt-get install -y -qq --no-install-recommends --allow-downgrades --no-remove "${APT_OPTS[@]}" "$@" >"$log" 2>&1 || status=$?
    if [ $status -ne 0 ]; then
        local why
        why=$(apt_why_not "$@")
        apt_say "cannot install ${*}: ${why:-$(grep '^E:' "$log" | head -n 1)} (apt's output: $log)"
        rm -f "$pins"
        return 1
    fi
    rm -f "$pins" "$log"
}
