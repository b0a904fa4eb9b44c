#!/usr/bin/env bash
# The WebAssembly build's checks: builds the web preset, runs every ferrox-script tool case
# through ferrox-script.js under Node with the native build's driver (which must give the
# native tool's answers), then drives the page in headless Chromium, both as built and as the
# web package unpacks, from file://.
#   web/check.sh NATIVE_BUILD   a build of the default preset with its test programs
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "${1:?usage: web/check.sh NATIVE_BUILD}")
web=$source/build-web
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --preset web -S "$source"
cmake --build --preset web

FERROX_SCRIPT_TOOL=$web/bin/ferrox-script-node \
    "$native/bin/script_tests" --gtest_filter='*ScriptTool*'

version=$(sed -n 's/^project(Ferrox VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
package=$web/packages/ferrox-$version-web.zip
diff -u "$source/packaging/contents/web.txt" <(unzip -Z1 "$package" | grep -v '/$' | LC_ALL=C sort) ||
    { echo "web/check.sh: $(basename "$package") does not hold what packaging/contents/web.txt lists" >&2; exit 1; }
unzip -q "$package" -d "$scratch/unpacked"
/usr/bin/python3 "$source/web/browser_test.py" "$web/page" "$scratch/unpacked"

# Sizes, for the record: the page's engine, its WebAssembly within as base64.
for path in "$web/page/ferrox-script-page.js" "$web/bin/ferrox-script.js"; do
    echo "$(basename "$path"): $(wc -c <"$path") bytes, $(gzip -9c "$path" | wc -c) gzipped"
done
