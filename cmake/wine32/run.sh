#!/bin/sh
# Runs a 32-bit Windows program under the private 32-bit Wine that prepare.sh made:
#   cmake/wine32/run.sh PROGRAM.exe [ARGUMENTS...]
# The i686 build uses it as its cross-compiling emulator. The programs share one 32-bit prefix,
# FERROX_WINE32_PREFIX or one inside the Wine folder, made on first use.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/root.sh"
if [ ! -f "$wine32_root/.complete" ]; then
    echo "wine32: no 32-bit Wine at $wine32_root; make it with cmake/wine32/prepare.sh" >&2
    exit 127
fi
# The system's wineserver of the same version serves 32-bit clients, at native speed.
export WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX="${FERROX_WINE32_PREFIX:-$wine32_root/prefix}" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
wine="$wine32_root/usr/lib/wine/wine"
if [ ! -f "$WINEPREFIX/.ferrox-ready" ]; then
    mkdir -p "$WINEPREFIX"
    # Programs started at once wait for the one that sets the prefix up.
    flock "$WINEPREFIX/.ferrox-lock" sh -c '[ -f "$WINEPREFIX/.ferrox-ready" ] ||
        { "$1" wineboot -i >/dev/null 2>&1 && "$WINESERVER" -w && touch "$WINEPREFIX/.ferrox-ready"; }' \
        sh "$wine"
fi
# Wine's own services (services.exe and the programs it starts) are started by the first program
# that a new server sees, and they inherit that program's output: a caller that reads it to the
# end, as CTest does, would wait for them. So whoever starts the server starts them too, with
# their output elsewhere, and the server outlives the last program by ten minutes to keep them
# for the tests that follow, instead of starting them again, emulated, for every program.
if "$WINESERVER" -p600 2>/dev/null; then # fails harmlessly when a server runs already
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
