#!/usr/bin/env bash
# Makes every package from the builds given and checks each as a user would get it: its
# contents against packaging/contents/*.txt, then unpacked into a fresh folder and run there.
#   packaging/check-packages.sh LINUX_BUILD WINDOWS_BUILD OUTPUT_FOLDER
# WINDOWS_BUILD is the i686 build; its programs run under cmake/wine32/run.sh.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
linux=$(realpath "$1")
windows=$(realpath "$2")
mkdir -p "$3"
output=$(realpath "$3")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "check-packages: $*" >&2
    exit 1
}

# Files only, sorted, without a leading "./".
list_package() {
    case "$1" in
    *.tar.gz) tar -tzf "$1" ;;
    *.zip) unzip -Z1 "$1" ;;
    *.deb) dpkg-deb -c "$1" | awk '$1 ~ /^-/ { print $6 }' ;;
    esac | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort
}

expect_contents() { # PACKAGE LIST-NAME
    diff -u "$source/packaging/contents/$2.txt" <(list_package "$1") ||
        fail "$(basename "$1") does not hold what packaging/contents/$2.txt lists"
}

expect_status() { # EXPECTED COMMAND...
    local expected=$1 status=0
    shift
    "$@" >"$scratch/run.out" 2>&1 || status=$?
    [ "$status" -eq "$expected" ] ||
        fail "$* exited with $status, expected $expected: $(tail -5 "$scratch/run.out")"
}

fresh_folder() {
    mktemp -d "$scratch/unpacked.XXXX"
}

# The version details, and no manifest (type 24): without one Windows virtualises the writes
# to protected folders that crash.log relies on.
expect_resources() { # BINARY [icon]
    local resources
    resources=$(i686-w64-mingw32-windres -J coff -O rc -i "$1") ||
        fail "windres cannot read the resources of $1"
    grep -q "VALUE \"ProductName\", \"Ferrox\"" <<<"$resources" &&
        grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$resources" &&
        grep -q "FILEVERSION ${version//./, }, 0" <<<"$resources" ||
        fail "$1 lacks the version details of Ferrox $version"
    if [ "${2-}" = icon ]; then
        grep -q "RT_GROUP_ICON" <<<"$resources" || fail "$1 has no icon"
    fi
    if grep -Eq "^[0-9]+ (24|MANIFEST) " <<<"$resources"; then
        fail "$1 has a manifest"
    fi
}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$linux/CPackConfig.cmake")
rm -rf "$output/_CPack_Packages" "$output"/ferrox*
make_packages() { # BUILD
    cpack --config "$1/CPackConfig.cmake" -B "$output" >"$scratch/cpack.log" ||
        fail "cpack failed for $1: $(cat "$scratch/cpack.log")"
}
make_packages "$linux"
linux_demo=$output/ferrox-$version-linux-demo.tar.gz
tools=$(echo "$output"/ferrox-tools_"$version"_*.deb)

# The Linux demo runs from its unpacked folder, started from elsewhere.
expect_contents "$linux_demo" linux-demo
folder=$(fresh_folder)
tar -xzf "$linux_demo" -C "$folder"
# Its single-instance lock goes to a folder of its own, whatever else runs here.
(cd / && expect_status 7 env -u XDG_RUNTIME_DIR TMPDIR="$scratch" \
    "$folder/ferrox-demo/ferrox" frames=3 quit=7)
grep -q "Game object destroyed after 3 frames" "$scratch/run.out" ||
    fail "the Linux demo did not run its frames: $(cat "$scratch/run.out")"
demo_game=$folder/ferrox-demo

# The tools, installed under a scratch root, use their own copy of the platform library.
expect_contents "$tools" ferrox-tools
[[ $(dpkg-deb -f "$tools" Depends) == *zlib1g* ]] || fail "$(basename "$tools") does not depend on zlib"
root=$(fresh_folder)
dpkg -x "$tools" "$root"
[ "$("$root/usr/bin/ferrox-vfs" --version)" = "ferrox-vfs $version" ] ||
    fail "ferrox-vfs does not report version $version"
libraries=$(ldd "$root/usr/bin/ferrox-vfs")
grep -qF "libferroxplatform.so => $root/usr/bin/../lib/ferrox/" <<<"$libraries" ||
    fail "ferrox-vfs does not find its platform library in the package"
(cd "$demo_game" && expect_status 0 "$root/usr/bin/ferrox-script" dump game.ini)
[ -s "$scratch/run.out" ] || fail "ferrox-script dump game.ini printed nothing"
(cd "$demo_game" && expect_status 0 "$root/usr/bin/ferrox-vfs" pack "$root/data.zip" data)
expect_status 0 "$root/usr/bin/ferrox-vfs" --mount "$root/data.zip" test
for page in "$root"/usr/share/man/man1/*.1.gz; do
    [[ $(zcat "$page") == *".SH DESCRIPTION"* ]] || fail "$page is not a man page"
done

make_packages "$windows"
windows_demo=$output/ferrox-$version-windows-demo.zip
player=$output/ferrox-$version-windows-player.zip

# The Windows demo runs as unpacked; the player ZIP's launcher runs in a game folder that has
# its own engine and files, which the ZIP leaves alone.
expect_contents "$windows_demo" windows-demo
folder=$(fresh_folder)
unzip -q "$windows_demo" -d "$folder"
expect_status 7 "$source/cmake/wine32/run.sh" "$folder/ferrox-demo/ferrox.exe" frames=3 quit=7
expect_resources "$folder/ferrox-demo/FerroxEngine2.dll"

expect_contents "$player" windows-player
rm "$folder/ferrox-demo/ferrox.exe"
unzip -q -n "$player" -d "$folder/ferrox-demo"
expect_status 5 "$source/cmake/wine32/run.sh" "$folder/ferrox-demo/ferrox.exe" frames=2 quit=5
expect_resources "$folder/ferrox-demo/ferrox.exe" icon
[[ $(i686-w64-mingw32-objdump -h "$folder/ferrox-demo/ferrox.exe") != *.debug_* ]] ||
    fail "the player ZIP's ferrox.exe is not stripped"
for tool in ferrox-script ferrox-vfs; do
    expect_resources "$windows/bin/$tool.exe"
done
(cd "$windows" && ctest -L binaries --output-on-failure >"$scratch/ctest.log") ||
    fail "the Windows binaries' import and export checks failed: $(cat "$scratch/ctest.log")"

ls -l "$linux_demo" "$tools" "$windows_demo" "$player"
echo "check-packages: all packages hold what they should and run"
