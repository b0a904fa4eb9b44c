#!/usr/bin/env bash
# Packages the extension as a .vsix, offline, with the language server bundled: the Linux x64
# ferrox-script with the Ferrox libraries it loads, and the 32-bit Windows ferrox-script.exe.
#   editors/vscode/make-vsix.sh OUTPUT.vsix LINUX_FERROX_SCRIPT WINDOWS_FERROX_SCRIPT_EXE
# Needs node_modules from `npm ci` (check.sh runs it) and python3 for the icon.
set -euo pipefail
output=$(realpath "$1")
linux=$(realpath "$2")
windows=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

fail() {
    echo "make-vsix.sh: $*" >&2
    exit 1
}

[ -d "$here/node_modules" ] || fail "no node_modules in $here: run npm ci there first"
# A copy of what the package is made from, so that nothing of an earlier package remains.
(cd "$here" && cp -r .vscodeignore README.md language-configuration.json package.json \
    package-lock.json tsconfig.json src syntaxes node_modules "$stage/")
cp "$source/LICENSE" "$stage/LICENSE"
python3 "$source/packaging/windows/make_icon.py" --png=128 "$source/packaging/windows/ferrox-icon.txt" \
    "$stage/icon.png"
mkdir -p "$stage/server/linux-x64" "$stage/server/win32"
cp "$linux" "$stage/server/linux-x64/ferrox-script"
# The program finds the Ferrox libraries beside itself.
for library in $(ldd "$linux" | awk '$1 ~ /^libferrox/ { print $3 }'); do
    cp "$library" "$stage/server/linux-x64/"
done
cp "$windows" "$stage/server/win32/ferrox-script.exe"
cd "$stage"
npx tsc -p .
npx vsce package --allow-missing-repository -o "$output" >/dev/null ||
    fail "vsce could not package the extension"
