#!/usr/bin/env bash
# Makes every package from the builds given and checks each as a user would get it: its
# contents against packaging/contents/*.txt, then unpacked into a fresh folder and run there.
#   packaging/check-packages.sh LINUX_BUILD WINDOWS_BUILD OUTPUT_FOLDER
# LINUX_BUILD is a build of the default preset, WINDOWS_BUILD of the windows (i686) preset, each
# with what ships built (`cmake --build BUILD`; test programs are not needed). The Windows
# programs run under cmake/wine32/run.sh. Needs lintian, man-db, groff and icoutils, and Node 20
# with `npm ci` run in editors/vscode for the VS Code extension.
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
    *.zip | *.vsix) unzip -Z1 "$1" ;;
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

wine32() {
    "$source/cmake/wine32/run.sh" "$@"
}

# Text for Windows: every line, the last too, ends in CR LF.
expect_windows_text() { # FILE...
    local file
    for file in "$@"; do
        [ -s "$file" ] || fail "$file is empty"
        ! grep -qv $'\r$' "$file" && [ "$(tail -c 2 "$file" | od -An -c | tr -d ' ')" = '\r\n' ] ||
            fail "$file has lines that do not end in CR LF"
    done
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
        expect_icon_sizes "$1" 16 24 32 48 256
    fi
    if grep -Eq "^[0-9]+ (24|MANIFEST) " <<<"$resources"; then
        fail "$1 has a manifest"
    fi
}

# The program's icon holds one 32-bit image of each size, and every image can be read.
expect_icon_sizes() { # BINARY SIZE...
    local icon=$scratch/icon.ico sizes
    wrestool -x -t 14 "$1" >"$icon" && [ -s "$icon" ] || fail "$1 has no icon"
    sizes=$(icotool -l "$icon" | sed -nE 's/.*--width=([0-9]+) --height=\1 --bit-depth=32 .*/\1/p' |
        sort -n | tr '\n' ' ')
    [ "$sizes" = "${*:2} " ] || fail "$1's icon has the 32-bit sizes [${sizes% }], expected [${*:2}]"
    mkdir -p "$scratch/icon" && icotool -x -o "$scratch/icon" "$icon" ||
        fail "the images of $1's icon cannot be read"
}

# Every DLL that the program imports is one that Windows itself has.
expect_system_imports() { # BINARY
    local dll
    for dll in $(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'); do
        case ${dll^^} in
        KERNEL32.DLL | USER32.DLL | ADVAPI32.DLL | SHELL32.DLL | MSVCRT.DLL | WINMM.DLL) ;;
        *) fail "$1 needs $dll, which Windows does not have and the package does not hold" ;;
        esac
    done
}

# A man page renders without warnings, mandb can index it, and it has the sections given.
expect_man_page() { # PAGE SECTION-TITLE...
    local page=$1 text warnings title
    shift
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$scratch/page.txt") ||
        fail "man cannot render $page: $warnings"
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
    lexgrog "$page" >/dev/null || fail "lexgrog finds no NAME section in $page"
    text=$(cat "$scratch/page.txt")
    for title in "$@"; do
        grep -qx "$title" <<<"$text" || fail "$page has no section $title"
    done
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
lintian --fail-on error "$tools" >"$scratch/lintian.log" 2>&1 ||
    fail "lintian finds errors in $(basename "$tools"): $(grep -v '^[WIN]: ' "$scratch/lintian.log")"
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
for tool in ferrox-script ferrox-vfs; do
    expect_man_page "$root/usr/share/man/man1/$tool.1.gz" NAME SYNOPSIS DESCRIPTION OPTIONS \
        "EXIT STATUS" ENVIRONMENT EXAMPLES "SEE ALSO"
    grep -q "^ *NO_COLOR$" "$scratch/page.txt" || fail "$tool.1 does not tell of NO_COLOR"
done
expect_man_page "$root/usr/share/man/man5/ferrox-ini.5.gz" NAME SYNOPSIS DESCRIPTION \
    DIAGNOSTICS FILES EXAMPLES "SEE ALSO"
changelog=$(zcat "$root/usr/share/doc/ferrox-tools/changelog.gz" | head -1)
[[ $changelog == "ferrox-tools ($version) "* ]] ||
    fail "the changelog's first entry is not for version $version: $changelog"
"$source/packaging/completion/check-completion.sh" "$root/usr/share/bash-completion/completions" ||
    fail "the bash completion in $(basename "$tools") does not complete as expected"
"$source/packaging/check-readme-examples.sh" "$linux" "$root/usr/bin" ||
    fail "README.md's examples do not run as shown"

make_packages "$windows"
windows_demo=$output/ferrox-$version-windows-demo.zip
player=$output/ferrox-$version-windows-player.zip
windows_tools=$output/ferrox-tools-$version-windows.zip

# The Windows demo runs as unpacked.
expect_contents "$windows_demo" windows-demo
folder=$(fresh_folder)
unzip -q "$windows_demo" -d "$folder"
game=$folder/ferrox-demo
expect_status 7 wine32 "$game/ferrox.exe" frames=3 quit=7
expect_resources "$game/FerroxEngine2.dll"
expect_windows_text "$game/README.txt" "$game/LICENSE.txt"

# The player ZIP, unpacked over a game folder with every file replaced that it holds, changes
# the launcher and adds its own two texts; the game's readme, licence, engine and data stay.
expect_contents "$player" windows-player
echo "the game's own launcher" >"$game/ferrox.exe"
(cd "$game" && find . -type f | LC_ALL=C sort | xargs sha256sum) >"$scratch/before"
unzip -q -o "$player" -d "$game"
(cd "$game" && find . -type f | LC_ALL=C sort | xargs sha256sum) >"$scratch/after"
changed=$({ diff "$scratch/before" "$scratch/after" || true; } | sed -n 's/^[<>] [0-9a-f]*  \.\///p' |
    LC_ALL=C sort -u | tr '\n' ' ')
[ "$changed" = "ferrox-launcher-licence.txt ferrox-launcher-readme.txt ferrox.exe " ] ||
    fail "the player ZIP, unpacked into a game folder, changes [$changed], not only the launcher"
expect_status 5 wine32 "$game/ferrox.exe" frames=2 quit=5
expect_resources "$game/ferrox.exe" icon
[[ $(i686-w64-mingw32-objdump -h "$game/ferrox.exe") != *.debug_* ]] ||
    fail "the player ZIP's ferrox.exe is not stripped"
expect_windows_text "$game/ferrox-launcher-readme.txt" "$game/ferrox-launcher-licence.txt"
(cd "$windows" && ctest -R '^(ferrox-imports|FerroxEngine2-exports)$' --no-tests=error \
    --output-on-failure >"$scratch/ctest.log") ||
    fail "the import and export checks of the shipped Windows binaries failed: $(cat "$scratch/ctest.log")"

# The Windows tools run from their unpacked folder on the demo game's files, and need nothing
# that Windows does not have.
expect_contents "$windows_tools" windows-tools
folder=$(fresh_folder)
unzip -q "$windows_tools" -d "$folder"
bin=$folder/ferrox-tools
expect_windows_text "$bin/README.txt" "$bin/LICENSE.txt"
for tool in ferrox-script ferrox-vfs; do
    expect_resources "$bin/$tool.exe"
    expect_system_imports "$bin/$tool.exe"
    reported=$(wine32 "$bin/$tool.exe" --version 2>/dev/null | tr -d '\r') || true
    [ "$reported" = "$tool $version" ] ||
        fail "$tool.exe does not report version $version: $reported"
done
cp -r "$source/game/." "$folder/game"
(cd "$folder/game" && expect_status 0 wine32 "$bin/ferrox-script.exe" dump game.ini)
grep -q 'JavaGameClassName("DemoGame")' "$scratch/run.out" ||
    fail "ferrox-script.exe dump game.ini did not print the demo's entries: $(cat "$scratch/run.out")"
(cd "$folder/game" && expect_status 0 wine32 "$bin/ferrox-vfs.exe" pack data.zip data)
(cd "$folder/game" && expect_status 0 wine32 "$bin/ferrox-vfs.exe" --mount data.zip test)
grep -q "data.zip: 1 file tested, no problems" "$scratch/run.out" ||
    fail "ferrox-vfs.exe did not test the archive it packed: $(cat "$scratch/run.out")"

# The VS Code extension, with the ferrox-script of the two tool packages above as its language
# server. Its own JavaScript modules are the production ones of its lockfile, no more, no less.
vsix=$output/ferrox-ini-$version.vsix
"$source/editors/vscode/make-vsix.sh" "$vsix" "$root/usr/bin/ferrox-script" "$bin/ferrox-script.exe" ||
    fail "the VS Code extension could not be packaged"
diff -u "$source/packaging/contents/vscode-extension.txt" <(list_package "$vsix" | grep -v /node_modules/) ||
    fail "$(basename "$vsix") does not hold what packaging/contents/vscode-extension.txt lists"
modules=$(cd "$source/editors/vscode" && node -p 'Object.entries(require("./package-lock.json").packages)
    .filter(([name, module]) => name !== "" && !module.dev).map(([name]) => name).sort().join("\n")')
diff -u <(echo "$modules") <(list_package "$vsix" |
    sed -nE 's|^extension/(.*node_modules/(@[^/]+/)?[^/@]+)/package\.json$|\1|p' | LC_ALL=C sort) ||
    fail "$(basename "$vsix") does not hold the production modules of editors/vscode/package-lock.json"
[ "$(stat -c %s "$vsix")" -le $((8 * 1024 * 1024)) ] || fail "$(basename "$vsix") is larger than 8 MiB"
folder=$(fresh_folder)
unzip -q "$vsix" -d "$folder"
grep -q "<Identity Language=\"en-US\" Id=\"ferrox-ini\" Version=\"$version\" Publisher=\"ferrox\" />" \
    "$folder/extension.vsixmanifest" || fail "$(basename "$vsix")'s manifest is not of ferrox-ini $version"
for file in $(node -p 'const m = require(process.argv[1]); [m.main + (m.main.endsWith(".js") ? "" : ".js"),
    m.icon, ...m.contributes.grammars.map((g) => g.path), ...m.contributes.languages.map((l) => l.configuration)]
    .join(" ")' "$folder/extension/package.json"); do
    [ -f "$folder/extension/$file" ] || fail "$(basename "$vsix") lacks $file, which its package.json names"
done
server=$folder/extension/server
[ "$(env -u LD_LIBRARY_PATH "$server/linux-x64/ferrox-script" --version)" = "ferrox-script $version" ] ||
    fail "the Linux server in $(basename "$vsix") does not run from the unpacked extension"
(cd "$demo_game" && expect_status 0 "$server/linux-x64/ferrox-script" check game.ini)
[[ $(i686-w64-mingw32-objdump -f "$server/win32/ferrox-script.exe") == *"file format pei-i386"* ]] ||
    fail "the Windows server in $(basename "$vsix") is not the 32-bit build"
reported=$(wine32 "$server/win32/ferrox-script.exe" --version 2>/dev/null | tr -d '\r') || true
[ "$reported" = "ferrox-script $version" ] ||
    fail "the Windows server in $(basename "$vsix") does not report version $version: $reported"

ls -l "$linux_demo" "$tools" "$windows_demo" "$player" "$windows_tools" "$vsix"
echo "check-packages: all packages hold what they should and run"
