# Where the private 32-bit Wine lives: one folder per Wine and QEMU version, outside the clone,
# so that every clone and every CI run on this machine shares one copy. Sourced by the other
# scripts here; FERROX_WINE32_CACHE moves the whole cache.
wine32_qemu_version=1:10.0.2+ds-2+deb13u1~bpo12+1
wine32_wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)
wine32_cache=${FERROX_WINE32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ferrox-wine32}
wine32_root="$wine32_cache/wine-$(printf '%s' "$wine32_wine_version" | tr -c 'A-Za-z0-9.+-' _)-qemu-$(printf '%s' "$wine32_qemu_version" | tr -c 'A-Za-z0-9.+-' _)"
