#!/bin/sh
# Makes, or reuses, a static libdeflate for a MinGW-w64 target, built from Debian's source
# package with the target's compiler. Nothing system-wide changes: the source comes through a
# private apt state with a deb-src list of its own, and the library lands in a cache outside the
# clone (FERROX_LIBDEFLATE_CACHE moves it), one folder per version and target.
#   cmake/libdeflate/build.sh TRIPLET   prints the folder (include/, lib/) on its last line
set -eu
version=1.14-1
triplet=${1:?usage: build.sh TRIPLET, e.g. i686-w64-mingw32}

say() { echo "libdeflate: $*" >&2; }
fail() { say "$*"; exit 1; }
. "$(cd "$(dirname "$0")/.." && pwd)/private-apt.sh"

compiler=$triplet-gcc-posix
for tool in apt-get dpkg-source flock "$compiler" "$triplet-ar"; do
    command -v "$tool" >/dev/null || fail "'$tool' is needed and not found"
done

cache=${FERROX_LIBDEFLATE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ferrox-libdeflate}
root="$cache/$version-$triplet"
reuse_if_made "$cache" "$root"

say "building libdeflate $version for $triplet in $root"
work="$root.partial"
rm -rf "$work" "$root"
mkdir -p "$work/objects" "$work/out/include" "$work/out/lib"
trap 'rm -rf "$work"' EXIT

debian_source "$work" "libdeflate=$version"
source=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'libdeflate-*' | head -n 1)
[ -n "$source" ] && [ -f "$source/libdeflate.h" ] || fail "no libdeflate source tree in $work/src"

# The library's own sources: the portable ones and the x86 ones, which choose their code by
# the processor at run time.
say "compiling with $compiler"
for file in "$source"/lib/*.c "$source"/lib/x86/*.c; do
    "$compiler" -O2 -std=c99 -Wall -fomit-frame-pointer -I"$source" -c "$file" \
        -o "$work/objects/$(basename "$file" .c).o" || fail "cannot compile $file"
done
"$triplet-ar" rcs "$work/out/lib/libdeflate.a" "$work/objects/"*.o
cp "$source/libdeflate.h" "$work/out/include/"
cp "$source/COPYING" "$work/out/" 2>/dev/null || true

touch "$work/out/.complete"
mv "$work/out" "$root"
say "ready: $root"
echo "$root"
