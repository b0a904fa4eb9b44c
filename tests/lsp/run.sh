#!/usr/bin/env bash
# Installs the pinned client libraries (npm ci, from package-lock.json) and drives the language
# server of the build folder BUILD through every session of sessions/.
#   tests/lsp/run.sh BUILD           ferrox-script of BUILD/bin
#   tests/lsp/run.sh BUILD wine64    ferrox-script.exe of BUILD/bin under Wine
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
shift
(cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
if [ $# -gt 0 ]; then
    exec node "$here/run_sessions.js" --drive=Z: "$@" "$build/bin/ferrox-script.exe"
fi
exec node "$here/run_sessions.js" "$build/bin/ferrox-script"
