#!/bin/sh
# Makes the archives under files/ that the case files use, with Debian's zip and Python's
# zipfile; the committed archives are what this script made. Run it from this folder.
set -eu
cd files
rm -f *.zip
export TZ=UTC
python3 - <<'PY'
import struct, zipfile

def make(path, entries, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, "w", method) as archive:
        for name, data, *rest in entries:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
            info.compress_type = rest[0] if rest else method
            archive.writestr(info, data)

lines = "".join(f"line {n} of a deflated entry\n" for n in range(1, 41))
make("sound.zip", [("Data/", b"", zipfile.ZIP_STORED), ("Data/ReadMe.TXT", "Stored as it is.\n",
      zipfile.ZIP_STORED), ("Data/lines.txt", lines), ("日本語.txt", "wide name\n", zipfile.ZIP_STORED),
      ("日本語のデータフォルダ/", b"", zipfile.ZIP_STORED)])
make("methods.zip", [("bzip2.txt", lines, zipfile.ZIP_BZIP2), ("lzma.txt", lines, zipfile.ZIP_LZMA),
      ("deflate64.txt", "patched\n", zipfile.ZIP_STORED), ("plain.txt", lines)])
make("escape.zip", [("../up.txt", "up\n"), ("/abs.txt", "abs\n"), ("C:/drive.txt", "drive\n"),
      ("a/../../b.txt", "b\n"), ("a\\..\\..\\c.txt", "c\n"), ("aux.txt", "device\n"), ("Com1.log", "port\n"),
      ("lpt9", "printer\n"), ("com10.txt", "a file\n"), ("safe/in.txt", "in\n")])
make("badcrc.zip", [("good.txt", lines), ("flipped.txt", "one byte of this is changed\n",
      zipfile.ZIP_STORED), ("wrongcrc.txt", lines)])
make("plain.zip", [("inner/one.txt", "one\n"), ("two.txt", lines)])

def patch(path, edit):
    data = bytearray(open(path, "rb").read())
    edit(data)
    open(path, "wb").write(data)

def headers(data, signature):
    at = data.find(signature)
    while at >= 0:
        yield at
        at = data.find(signature, at + 1)

# Deflate64 cannot be written by zipfile: its stored entry is marked as method 9 in both headers.
def deflate64(data):
    for signature, offset in ((b"PK\x03\x04", 8), (b"PK\x01\x02", 10)):
        for at in headers(data, signature):
            name_at = at + (30 if offset == 8 else 46)
            if data[name_at:name_at + 13] == b"deflate64.txt":
                data[at + offset:at + offset + 2] = struct.pack("<H", 9)
patch("methods.zip", deflate64)
# A byte of flipped.txt's stored content changes; the central CRC of wrongcrc.txt changes.
def damage(data):
    at = data.find(b"one byte of this")
    data[at] ^= 0x20
    for at in headers(data, b"PK\x01\x02"):
        if data[at + 46:at + 58] == b"wrongcrc.txt":
            data[at + 16:at + 20] = b"\x12\x34\x56\x78"
patch("badcrc.zip", damage)
PY
# A stub in front, offsets not adjusted, as self-extractors write it.
head -c 1000 /dev/zero | tr '\0' 'S' > stub.bin
cat stub.bin plain.zip > stub.zip
rm stub.bin
# Encrypted with zip's traditional encryption.
mkdir -p secret && printf 'hidden text\n' > secret/hidden.txt
touch -d '2024-01-02 03:04:06' secret/hidden.txt secret
zip -q -X -P password encrypted.zip secret/hidden.txt
rm -r secret
