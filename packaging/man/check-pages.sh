#!/usr/bin/env bash
# Keeps a hand-written man page in step with its tool's --help: every option and every command
# that the help names must be the tag of an item (a line after .TP) in the page.
#   packaging/man/check-pages.sh TOOL PAGE
# Options are the words that begin with - or --; commands are the lower-case words of the
# usage lines (after the tool's name) and the first word of the help's two-space indented lines.
set -euo pipefail
tool=$1
page=$2
name=$(basename "$page" | sed 's/\.[0-9]$//')
help=$("$tool" --help) || { echo "check-pages: $tool --help failed" >&2; exit 1; }

options=$(grep -oE "(^|[][ (/,|])--?[A-Za-z][A-Za-z0-9-]*" <<<"$help" | sed 's/^[^-]*//')
usage=$(grep -E "^ *([Uu]sage: *)?$name( |$)" <<<"$help" | sed -E "s/^ *([Uu]sage: *)?$name//; s/\[[^]]*\]//g" |
    tr ' |' '\n\n' | grep -E '^[a-z][a-z-]*$' || true)
listed=$(grep -oE '^  [a-z][a-z-]*( |$)' <<<"$help" | tr -d ' ' || true)
wanted=$(printf '%s\n' $options $usage $listed | LC_ALL=C sort -u)
[ -n "$wanted" ] || { echo "check-pages: found no option or command in $tool --help" >&2; exit 1; }

# The words of the item tags, without roff's font changes, quotes and escaped hyphens.
tags=$(awk 'tagged { print; tagged = 0 } /^\.TP/ { tagged = 1 }' "$page" |
    sed -E 's/^\.[A-Z]+ //; s/\\f[BIRP]//g; s/\\-/-/g; s/\\c//g; s/"//g' |
    tr ' =,|[]' '\n\n\n\n\n\n' | grep -v '^$' | LC_ALL=C sort -u)
missing=$(LC_ALL=C comm -23 <(echo "$wanted") <(echo "$tags"))
if [ -n "$missing" ]; then
    echo "check-pages: $page has no item for what '$(basename "$tool") --help' names:" $missing >&2
    exit 1
fi
echo "check-pages: $page has an item for each of:" $wanted
