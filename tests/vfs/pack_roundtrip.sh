#!/bin/sh
# Archives written by `ferrox-vfs pack` read back byte for byte by the mount (extract), by
# Python's zipfile, Info-ZIP's unzip, 7-Zip and bsdtar, with their empty folders, and with
# their files' times (to the two seconds of an MS-DOS time) and executable bits where the
# reader keeps them; extract gives back the same from archives that zip makes; the same files
# and --date give the same bytes; and what the file layer could not read back is refused.
# Usage: pack_roundtrip.sh FERROX-VFS
set -eu
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir -p tree/data/deep/er tree/empty-folder
seq 1 200000 > tree/data/numbers.txt                      # deflated, in many pieces
head -c 70000 /dev/urandom > tree/data/noise.bin          # stored: deflate does not help
head -c 700000 /dev/urandom > tree/data/noise-long.bin    # stored, read again in pieces
: > tree/data/deep/er/empty.txt
printf 'caf\303\251\n' > "tree/data/caf$(printf '\303\251').txt"
printf 'alone\n' > single.txt
printf '#!/bin/sh\necho run\n' > tree/data/run.sh && chmod 755 tree/data/run.sh
chmod 644 single.txt tree/data/*.txt tree/data/*.bin
find tree single.txt -exec touch -d '2019-08-07 06:05:04' {} +

# What must come back of a tree: each file's type, mode, time and name, and each empty folder.
stamps() {
    (cd "$1" && find . \( -type f -o -type d -empty \) -exec stat -c '%F %a %Y %n' {} + | sort)
}

"$tool" pack --level=9 out.zip tree single.txt > /dev/null
"$tool" --mount out.zip test
"$tool" --mount out.zip extract -C by-mount > /dev/null
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    out.zip by-python
LC_ALL=C.UTF-8 unzip -q out.zip -d by-unzip # names as UTF-8, as the flag marks them
7z x -bd -oby-7z out.zip > /dev/null
mkdir by-bsdtar && bsdtar -xf out.zip -C by-bsdtar
mkdir expected && cp -Rp tree/. single.txt expected/
for reader in by-mount by-python by-unzip by-7z by-bsdtar; do
    diff -r expected "$reader"
done
stamps expected > expected.stamps
for reader in by-mount by-unzip by-7z by-bsdtar; do # Python's zipfile keeps neither
    stamps "$reader" | diff expected.stamps -
done
unzip -tq out.zip > /dev/null
7z t out.zip > /dev/null
bsdtar -tf out.zip > /dev/null

# What zip makes, extract gives back as unzip does.
(cd tree && zip -qrX ../by-zip.zip .)
"$tool" extract -q by-zip.zip -C from-zip
stamps from-zip > from-zip.stamps
stamps tree | diff - from-zip.stamps
# Stored where deflate does not help, deflated where it does.
python3 - out.zip <<'PY'
import sys, zipfile
infos = {info.filename: info for info in zipfile.ZipFile(sys.argv[1]).infolist()}
assert infos["data/noise.bin"].compress_type == zipfile.ZIP_STORED
assert infos["data/noise-long.bin"].compress_type == zipfile.ZIP_STORED
assert infos["data/numbers.txt"].compress_type == zipfile.ZIP_DEFLATED
assert list(infos) == sorted(infos), list(infos)
PY

# Reproducible: other file times, same --date, same bytes.
"$tool" pack --date='2024-01-02 03:04:06' a.zip tree > /dev/null
touch -d '2001-02-03 04:05:06' tree/data/numbers.txt
"$tool" pack --date='2024-01-02 03:04:06' b.zip tree > /dev/null
cmp a.zip b.zip
python3 -c 'import sys, zipfile
assert {i.date_time for i in zipfile.ZipFile(sys.argv[1]).infolist()} == {(2024, 1, 2, 3, 4, 6)}' a.zip

# Refused, and no archive left behind: names that the index would take for one, and files that
# are no regular files.
mkdir clash && : > clash/Name.txt && : > clash/name.TXT
if "$tool" pack clash.zip clash 2> clash.err; then exit 1; fi
grep -q 'would be one name in the archive index' clash.err
mkdir odd && mkfifo odd/pipe
if "$tool" pack odd.zip odd 2> odd.err; then exit 1; fi
grep -q 'not a regular file' odd.err
if "$tool" pack twice.zip single.txt tree/../single.txt 2> twice.err; then exit 1; fi
grep -q 'would both be single.txt' twice.err
test ! -e clash.zip && test ! -e odd.zip && test ! -e twice.zip
# Replaced with -f inside the folder that it packs, the archive does not pack itself.
"$tool" pack tree/self.zip tree > /dev/null
"$tool" pack -f tree/self.zip tree > /dev/null
python3 -c 'import sys, zipfile
assert "self.zip" not in zipfile.ZipFile(sys.argv[1]).namelist()' tree/self.zip
echo "pack round trip: all readers agree"
