#!/usr/bin/env bash
# Runs the scripted sessions of two editors' own clients against `ferrox-script lsp` of the
# build folder BUILD: Neovim headless and Emacs with Eglot in batch mode, each in a fresh
# folder with the same two files.
#   tests/lsp/editors_session.sh BUILD
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export FERROX_SCRIPT
FERROX_SCRIPT=$(cd "$1" && pwd)/bin/ferrox-script
status=0
fresh_folder() {
    local dir
    dir=$(mktemp -d)
    mkdir -p "$dir/parts"
    printf '!level(s, i)\n$start(i, 5)\n!include("parts/items.ini")\nlevel("castle", start) {\n    !door(s)\n    door("north")\n}\nlevel("ca\\tve", 4294967301)\nitem("sword", heavy)\n' >"$dir/game.ini"
    printf '!item(s, f)\n$heavy(f, 2.5)\n' >"$dir/parts/items.ini"
    echo "$dir"
}

FERROX_LSP_DIR=$(fresh_folder)
export FERROX_LSP_DIR
if FERROX_LSP_DIR=$FERROX_LSP_DIR HOME=$FERROX_LSP_DIR \
    nvim --headless -u NONE -i NONE -c "luafile $here/neovim_session.lua" </dev/null; then
    echo "PASS neovim"
else
    echo "FAIL neovim"
    status=1
fi
rm -rf "$FERROX_LSP_DIR"

FERROX_LSP_DIR=$(fresh_folder)
if HOME=$FERROX_LSP_DIR emacs --batch -l "$here/eglot_session.el" </dev/null; then
    echo "PASS emacs eglot"
else
    echo "FAIL emacs eglot"
    status=1
fi
rm -rf "$FERROX_LSP_DIR"
exit $status
