#!/usr/bin/env bash
# Runs the README's shell examples as written and compares what they print with what the README
# shows. An example is a ```sh block whose lines begin with "$ " (the commands) or hold their
# output; each runs in a fresh folder of its own, which has the source's game/, tests/ and
# README.md and the build as build/, with the tools of TOOLS_FOLDER first on the PATH.
#   packaging/check-readme-examples.sh LINUX_BUILD TOOLS_FOLDER
# A "$ cat FILE" of a file that the folder lacks shows the reader a file to make; the check
# makes it from the lines shown.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
tools=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Each example into a file of its own: example.N holds the block as the README shows it.
awk -v out="$scratch/example." '
    /^```sh$/ { inside = 1; lines = ""; prompt = 0; next }
    inside && /^```$/ {
        inside = 0
        if (prompt) { file = out (++count); printf "%s", lines > file; close(file) }
        next
    }
    inside { lines = lines $0 "\n"; if ($0 ~ /^\$ /) prompt = 1 }
' "$source/README.md"
examples=("$scratch"/example.*)
[ -e "${examples[0]}" ] || { echo "check-readme-examples: README.md shows no example" >&2; exit 1; }

failed=0
for example in "${examples[@]}"; do
    folder=$(mktemp -d "$scratch/folder.XXXX")
    ln -s "$source/game" "$source/tests" "$folder/"
    ln -s "$build" "$folder/build"
    cp "$source/README.md" "$folder/"
    # The script prints each command as the README does, then runs it; a command's status
    # stays $? for the next one.
    {
        echo 'exec 2>&1'
        echo 'status=0'
        while IFS= read -r line; do
            [[ $line == '$ '* ]] || continue
            command=${line#\$ }
            printf 'printf "%%s\\n" %q\n' "$line"
            printf '(exit $status); %s\nstatus=$?\n' "$command"
        done <"$example"
    } >"$folder.sh"
    # Files that the example shows with cat before anything makes them.
    target=""
    while IFS= read -r line; do
        if [[ $line == '$ '* ]]; then
            target=""
            if [[ $line =~ ^\$\ cat\ ([^ \'\"]+)$ ]] && [ ! -e "$folder/${BASH_REMATCH[1]}" ]; then
                target=$folder/${BASH_REMATCH[1]}
                : >"$target"
            fi
        elif [ -n "$target" ]; then
            printf '%s\n' "$line" >>"$target"
        fi
    done <"$example"
    # Text shown in the README has no carriage returns; a file with CR LF lines prints them.
    actual=$(cd "$folder" && PATH="$tools:$PATH" bash --norc --noprofile "$folder.sh" | sed 's/\r$//') || true
    if ! diff -u "$example" <(printf '%s\n' "$actual") >"$folder.diff"; then
        echo "check-readme-examples: the README's example $(head -1 "$example") runs otherwise:" >&2
        cat "$folder.diff" >&2
        failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "check-readme-examples: ${#examples[@]} examples of README.md run as shown"
