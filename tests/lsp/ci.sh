#!/usr/bin/env bash
# The language server's part of CI, once the native and the Windows builds are made: the Node
# sessions against build/, Neovim's and Emacs's sessions, and the Node sessions against the
# 32-bit ferrox-script.exe of build-windows/ under the private 32-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
tests/lsp/run.sh build
tests/lsp/editors_session.sh build
tests/lsp/run.sh build-windows "$PWD/cmake/wine32/run.sh"
