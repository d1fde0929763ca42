#!/usr/bin/env bash
# Writes boxlift's man page from the program's own help: `boxlift --help`
# gives the name, the synopsis and the commands, and each command's
# `--help` its section. No date in it, so that the same program gives the
# same page.
#   man-page.sh BOXLIFT OUT.1
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: man-page.sh BOXLIFT OUT.1" >&2; exit 2; }
tool=$1 out=$2

version=$("$tool" --version)
top=$("$tool" --help)
commands=$(sed -n '/^Subcommands:$/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$top")
[ -n "$commands" ] || { echo "man-page.sh: $tool --help lists no subcommands" >&2; exit 1; }

# One help text as roff: its first line a paragraph, "Usage:" the synopsis,
# each "Section:" a list of items. CLI11 sets an item's description at
# column 31, or on the next line, indented as far, behind a name too long
# for that: an item is held until the next line shows which.
roff() {
    awk -v heading="$1" '
    function esc(s) {
        gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s)
        if (s ~ /^[.\047]/) s = "\\&" s
        return s
    }
    function trim(s) { sub(/^ +/, "", s); sub(/ +$/, "", s); return s }
    function item(name, text) {
        printf ".TP\n.B %s\n", esc(trim(name))
        if (trim(text) != "") print esc(trim(text))
    }
    function flush() {
        if (held != "") item(substr(held, 3, 28), substr(held, 31))
        held = ""
    }
    # (mawk knows no interval expressions such as / {30}/)
    function indented() { return length($0) > 30 && substr($0, 1, 30) == sprintf("%30s", "") }
    indented() && held != "" { item(held, $0); held = ""; next }
    { flush() }
    NR == 1 { about = $0; next }
    /^Usage: / {
        usage = substr($0, 8)
        if (heading != "") printf ".SS \"%s\"\n", esc(usage)
        else printf ".SH SYNOPSIS\n.B %s\n.SH DESCRIPTION\n", esc(usage)
        print esc(about)
        next
    }
    /^Subcommands:$/ { exit }
    /^[A-Z][a-z]*:$/ { printf ".PP\n%s\n", substr($0, 1, length($0) - 1); next }
    indented() { print esc(trim($0)); next }
    /^  [^ ]/ { held = $0 }
    END { flush() }'
}

{
    printf '.TH BOXLIFT 1 "" "%s" "User Commands"\n' "$version"
    printf '.SH NAME\nboxlift \\- %s\n' "$(head -n 1 <<<"$top" | sed 's/\.$//')"
    roff "" <<<"$top"
    printf '.SH COMMANDS\n'
    for command in $commands; do
        "$tool" "$command" --help | roff "$command"
    done
    printf '.SH EXIT STATUS\n0 done, 1 bad input or a failure (nothing written), 2 a bad command line.\n'
    printf '.SH SEE ALSO\nREADME.md and docs/ in share/doc/boxlift beside the program\x27s share/man.\n'
} >"$out.tmp"
mv "$out.tmp" "$out"
