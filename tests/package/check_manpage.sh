#!/usr/bin/env bash
# check_manpage.sh <man page> [<program>]
# Fails unless the hand-written man page has the usual sections and, given
# the program, its OPTIONS section has an entry for exactly the options that
# `<program> --help` lists: a new option without an entry, or an entry for an
# option that is gone, is drift between the two.
set -euo pipefail
page="$1"
program="${2:-}"
status=0

for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -Eqx "\.SH \"?$section\"?" "$page" || { echo "$page: no section $section"; status=1; }
done
[ -n "$program" ] || exit $status

# The option names of --help's "Options:" section, one per line: each entry
# starts two blanks in ("  -o, --output <file>  ..."), its wrapped
# description further in.
help_options() {
    "$program" --help | sed -n '/^Options:$/,/^$/p' |
        grep -oP '^  \K(-[A-Za-z]|--[A-Za-z][\w-]*)(, --[A-Za-z][\w-]*)?' |
        sed 's/, /\n/' | sort -u
}

# The option names in the headings of the man page's OPTIONS entries (the
# line after each .TP), with the roff escapes and macros taken off.
page_options() {
    sed -n '/^\.SH "\{0,1\}OPTIONS/,/^\.SH/p' "$page" |
        sed -n '/^\.TP/{n;p}' |
        sed -E 's/\\f[BIRP]//g; s/\\-/-/g; s/\\&//g; s/^\.[A-Z]+ //' |
        grep -oP '(^|[\s,])\K--?[A-Za-z][\w-]*' | sort -u
}

listed="$(help_options)"
[ -n "$listed" ] || { echo "$program --help lists no options"; exit 1; }
documented="$(page_options)"
while read -r option; do
    echo "$option: listed by --help, but not in the OPTIONS of $page"
    status=1
done < <(comm -23 <(echo "$listed") <(echo "$documented"))
while read -r option; do
    echo "$option: in the OPTIONS of $page, but --help does not list it"
    status=1
done < <(comm -13 <(echo "$listed") <(echo "$documented"))
exit $status
