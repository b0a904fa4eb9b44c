#!/bin/sh
# Makes, or reuses, static zlib and libdeflate libraries for WebAssembly, built with emcc from
# Debian's source packages, since emscripten's own zlib would be downloaded while building.
# Nothing system-wide changes: the sources come through a private apt state, and the libraries
# land in a cache outside the clone (FERROX_WEB_LIBRARIES_CACHE moves it), one folder per pair
# of versions.
#   cmake/emscripten/build-libraries.sh   prints the folder (include/, lib/) on its last line
set -eu
zlib_version=1:1.2.13.dfsg-1
libdeflate_version=1.14-1

say() { echo "web libraries: $*" >&2; }
fail() { say "$*"; exit 1; }
. "$(cd "$(dirname "$0")/.." && pwd)/private-apt.sh"

for tool in apt-get dpkg-source flock emcc emar; do
    command -v "$tool" >/dev/null || fail "'$tool' is needed and not found"
done

cache=${FERROX_WEB_LIBRARIES_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ferrox-web-libraries}
root="$cache/zlib-${zlib_version#*:}-libdeflate-$libdeflate_version"
reuse_if_made "$cache" "$root"

say "building zlib and libdeflate for WebAssembly in $root"
work="$root.partial"
rm -rf "$work" "$root"
mkdir -p "$work/zlib" "$work/libdeflate" "$work/out/include" "$work/out/lib"
trap 'rm -rf "$work"' EXIT

debian_source "$work" "zlib=$zlib_version" "libdeflate=$libdeflate_version"
zlib=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'zlib-*' | head -n 1)
libdeflate=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'libdeflate-*' | head -n 1)
[ -n "$zlib" ] && [ -f "$zlib/zlib.h" ] || fail "no zlib source tree in $work/src"
[ -n "$libdeflate" ] && [ -f "$libdeflate/libdeflate.h" ] || fail "no libdeflate source tree in $work/src"

# Compiles the C files given into objects in FOLDER and archives them as LIBRARY.
#   archive FOLDER LIBRARY FLAGS -- FILE...
archive() {
    objects=$1 library=$2
    shift 2
    flags=
    while [ "$1" != -- ]; do
        flags="$flags $1"
        shift
    done
    shift
    for file in "$@"; do
        # shellcheck disable=SC2086 # the flags are words
        emcc -O2 $flags -c "$file" -o "$objects/$(basename "$file" .c).o" ||
            fail "cannot compile $file"
    done
    emar rcs "$library" "$objects"/*.o
}

say "compiling zlib"
archive "$work/zlib" "$work/out/lib/libz.a" -DHAVE_UNISTD_H -DHAVE_STDARG_H -I"$zlib" -- \
    "$zlib"/adler32.c "$zlib"/compress.c "$zlib"/crc32.c "$zlib"/deflate.c "$zlib"/gzclose.c \
    "$zlib"/gzlib.c "$zlib"/gzread.c "$zlib"/gzwrite.c "$zlib"/infback.c "$zlib"/inffast.c \
    "$zlib"/inflate.c "$zlib"/inftrees.c "$zlib"/trees.c "$zlib"/uncompr.c "$zlib"/zutil.c
cp "$zlib/zlib.h" "$zlib/zconf.h" "$work/out/include/"
say "compiling libdeflate"
archive "$work/libdeflate" "$work/out/lib/libdeflate.a" -std=c99 -I"$libdeflate" -- \
    "$libdeflate"/lib/*.c
cp "$libdeflate/libdeflate.h" "$work/out/include/"
mkdir -p "$work/out/licences"
cp "$libdeflate/COPYING" "$work/out/licences/libdeflate"
cp "$zlib/debian/copyright" "$work/out/licences/zlib"

touch "$work/out/.complete"
mv "$work/out" "$root"
say "ready: $root"
echo "$root"
