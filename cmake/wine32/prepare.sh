#!/bin/sh
# Makes, or reuses, a private 32-bit Wine that runs the i686 build's programs on this 64-bit
# machine, which cannot execute 32-bit x86 code itself. Nothing system-wide changes: Debian's
# wine32 (the version of the installed wine64) and QEMU's user-mode i386 emulator are
# downloaded with a private apt state and unpacked into one folder (see root.sh). Every 32-bit
# process there runs through qemu-i386; the system's 64-bit wineserver serves them.
#   cmake/wine32/prepare.sh     prints the folder's path on the last line of its output
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/root.sh"

say() { echo "wine32: $*" >&2; }
fail() { say "$*"; exit 1; }
. "$here/../private-apt.sh"

[ -n "$wine32_wine_version" ] ||
    fail "the system's wine64 is needed (apt-get install wine64): its wineserver serves the 32-bit programs"
[ -x /usr/lib/wine/wineserver64 ] || fail "/usr/lib/wine/wineserver64 is missing; reinstall wine64"
for tool in apt-get dpkg-deb ldconfig flock tar; do
    command -v "$tool" >/dev/null || fail "'$tool' is needed and not found"
done

reuse_if_made "$wine32_cache" "$wine32_root"

say "making a 32-bit Wine $wine32_wine_version with QEMU $wine32_qemu_version in $wine32_root"
work="$wine32_root.partial"
rm -rf "$work" "$wine32_root"
mkdir -p "$work/root"
trap 'rm -rf "$work"' EXIT

# apt with an empty package database, i386 by default.
private_apt "$work/apt" 'APT::Architecture "i386";' 'APT::Architectures { "i386"; "amd64"; };' <<EOF
deb $debian_archive bookworm main
deb $debian_archive bookworm-updates main
deb $debian_archive bookworm-backports main
deb $debian_security bookworm-security main
EOF

say "reading Debian's package lists"
apt-get -q update >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "cannot read Debian's package lists"; }
say "downloading wine32 $wine32_wine_version and what it needs"
apt-get -q install --download-only -y --no-install-recommends "wine32:i386=$wine32_wine_version" \
    >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "cannot get wine32:i386=$wine32_wine_version from Debian's archive"; }
say "downloading qemu-user $wine32_qemu_version"
(cd "$work/apt" && apt-get -q download "qemu-user:amd64=$wine32_qemu_version") >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "cannot get qemu-user:amd64=$wine32_qemu_version from bookworm-backports"; }

root="$work/root"
say "unpacking $(ls "$work/apt/archives/"*.deb | wc -l) packages"
for package in "$work/apt/archives/"*.deb; do
    dpkg-deb --fsys-tarfile "$package" | tar -x -C "$root"
done
dpkg-deb --fsys-tarfile "$work/apt/"qemu-user_*.deb | tar -x -C "$root" ./usr/bin/qemu-i386

# What libwine's maintainer script would do: zlib from libz-mingw-w64, marked as Wine built-ins.
for mingw in i686:i386 x86_64:x86_64; do
    from=$(ls "$root/usr/${mingw%%:*}-w64-mingw32/lib/"zlib*.dll)
    to="$root/usr/lib/i386-linux-gnu/wine/${mingw##*:}-windows/$(basename "$from")"
    { head -c 64 "$from"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$from"; } >"$to"
done
echo 'include /etc/ld.so.conf.d/*.conf' >"$root/etc/ld.so.conf"
ldconfig -r "$root"

# Wine starts each new process by running the `wine` beside its loader: that one goes through
# qemu too, so every program of the session is emulated without binfmt_misc.
mv "$root/usr/lib/wine/wine" "$root/usr/lib/wine/wine.i386"
cat >"$root/usr/lib/wine/wine" <<'EOF'
#!/bin/sh
root=$(cd "$(dirname "$0")/../../.." && pwd)
WINELOADERNOEXEC=1 exec "$root/usr/bin/qemu-i386" -L "$root" -0 "$root/usr/lib/wine/wine" \
    "$root/usr/lib/wine/wine.i386" "$@"
EOF
chmod +x "$root/usr/lib/wine/wine"
"$root/usr/bin/qemu-i386" --version >/dev/null || fail "the unpacked qemu-i386 does not run"

touch "$root/.complete"
mv "$root" "$wine32_root"
say "ready: $(du -sh "$wine32_root" | cut -f1)"
echo "$wine32_root"
