#!/usr/bin/env bash
# Runs the cases of cases.txt through the bash completion scripts in COMPLETIONS_FOLDER (the
# files named after the tools, as bash-completion finds them), each in a scripted bash session
# of its own, without bash-completion's library.
#   packaging/completion/check-completion.sh COMPLETIONS_FOLDER
set -euo pipefail
completions=$(realpath "$1")
cases=$(cd "$(dirname "$0")" && pwd)/cases.txt
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
touch "$folder/a.zip" "$folder/B.ZIP" "$folder/notes.txt" "$folder/game.ini" "$folder/levels.INI"
mkdir "$folder/sub"

failed=0
while IFS= read -r line; do
    [[ $line == "#"* || -z $line ]] && continue
    words=${line%% => *}
    expected=${line#* => }
    eval "set -- $words"
    tool=$1
    actual=$(cd "$folder" && bash --norc --noprofile -c '
        source "$1/$2"
        shift 2
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        function=$(complete -p "$1" | sed -E "s/.*-F ([^ ]+) .*/\1/")
        "$function"
        printf "%s\n" "${COMPREPLY[@]}"' completion "$completions" "$tool" "$@" |
        LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
    if [ "$actual" != "$expected" ]; then
        echo "check-completion: $words => $actual, expected $expected" >&2
        failed=1
    fi
done <"$cases"
[ "$failed" -eq 0 ] || exit 1
echo "check-completion: $(grep -c ' => ' "$cases") cases complete as expected"
