#!/usr/bin/env bash
# The VS Code extension's checks, offline after `npm ci`: the client type-checks and compiles;
# the grammar passes its scope tests (test/scopes) and gives the tokens recorded in
# test/snapshots for the demo game.ini and the script cases' files; the client starts the real
# ferrox-script as the packaged extension does (test/client).
#   editors/vscode/check.sh FERROX_SCRIPT [--update]
# FERROX_SCRIPT is a native build of the program. --update records the snapshots anew.
set -euo pipefail
program=$(realpath "$1")
update=${2-}
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$here"

fail() {
    echo "check.sh: $*" >&2
    exit 1
}

node_major=$(node -p 'process.versions.node.split(".")[0]')
[ "$node_major" -ge 20 ] || fail "needs Node 20 or later (vsce and the language client), not $(node --version)"
npm ci --no-audit --no-fund --loglevel=error
npx tsc --noEmit -p .
npx tsc -p .
npx vscode-tmgrammar-test -g syntaxes/ferrox-ini.tmLanguage.json 'test/scopes/*.ini'

# The snapshot tool keeps each snapshot beside its file, so the files are copied to a scratch
# folder with their snapshots, and the snapshots copied back when they are recorded anew.
mapfile -t samples < <(cd "$source" && { echo game/game.ini; find tests/script/cases \
    tests/script/tool_cases -type f -iname '*.ini'; } | LC_ALL=C sort)
for sample in "${samples[@]}"; do
    mkdir -p "$(dirname "$scratch/$sample")"
    # The editor ends a line at a lone CR as at LF; the snapshot tool does not, so it is given LF.
    perl -0777 -pe 's/\r(?!\n)/\n/g' "$source/$sample" >"$scratch/$sample"
    if [ -f "test/snapshots/$sample.snap" ]; then
        cp "test/snapshots/$sample.snap" "$scratch/$sample.snap"
    elif [ "$update" != --update ]; then
        fail "test/snapshots/$sample.snap is missing: record it with --update"
    fi
done
while IFS= read -r snapshot; do
    [ -f "$source/${snapshot%.snap}" ] || [ "$update" = --update ] ||
        fail "test/snapshots/$snapshot has no file ${snapshot%.snap} any more: remove it"
done < <(cd test/snapshots 2>/dev/null && find . -name '*.snap' | sed 's|^\./||')
if [ "$update" = --update ]; then
    rm -rf test/snapshots
    npx vscode-tmgrammar-snap -u -s source.ferrox-ini -g syntaxes/ferrox-ini.tmLanguage.json \
        "$scratch/**/*.ini" "$scratch/**/*.INI" >/dev/null
    (cd "$scratch" && find . -name '*.snap' | while IFS= read -r snapshot; do
        mkdir -p "$here/test/snapshots/$(dirname "$snapshot")"
        cp "$snapshot" "$here/test/snapshots/$snapshot"
    done)
else
    npx vscode-tmgrammar-snap -s source.ferrox-ini -g syntaxes/ferrox-ini.tmLanguage.json \
        "$scratch/**/*.ini" "$scratch/**/*.INI"
fi

FERROX_SCRIPT=$program node --test test/client/
echo "check.sh: the extension's grammar and client pass their tests"
