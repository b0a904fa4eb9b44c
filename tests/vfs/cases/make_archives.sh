#!/bin/sh
# Makes the archives under files/ that the cases use, with Debian's zip and Python's zipfile;
# the committed archives are what this script made. Run it from this folder.
set -eu
cd files
rm -rf *.zip damaged
mkdir damaged
export TZ=UTC
python3 - <<'PY'
import random, struct, warnings, zipfile, zlib

def make(path, entries, method=zipfile.ZIP_DEFLATED, comment=b""):
    with zipfile.ZipFile(path, "w", method) as archive:
        for name, data, *rest in entries:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
            info.compress_type = rest[0] if rest else method
            archive.writestr(info, data)
        archive.comment = comment

# Every size, offset and count in ZIP64 records, however small: Python writes them where a
# value passes ZIP64_LIMIT, here zero. The end record then defers every value to them.
def make64(path, entries, comment=b"", limit=-1):
    limits = zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT
    zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = limit, -1
    make(path, entries, comment=comment)
    zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = limits
    patch(path, lambda data: struct.pack_into("<HHII", data, end(data) + 8, 0xFFFF, 0xFFFF,
                                              0xFFFFFFFF, 0xFFFFFFFF))

def patch(path, edit):
    data = bytearray(open(path, "rb").read())
    edit(data)
    open(path, "wb").write(data)

def headers(data, signature):
    at = data.find(signature)
    while at >= 0:
        yield at
        at = data.find(signature, at + 1)

# The end record: the one whose comment ends the file.
def end(data):
    return next(at for at in headers(data, b"PK\x05\x06")
                if at + 22 + struct.unpack_from("<H", data, at + 20)[0] == len(data))

# The (local, central) header offsets of the entry called `name`.
def entry(data, name):
    local = next(at for at in headers(data, b"PK\x03\x04") if data[at + 30:].startswith(name))
    central = next(at for at in headers(data, b"PK\x01\x02") if data[at + 46:].startswith(name))
    return local, central

# Sets a field that local and central headers share, by its offset in the local header.
def field(name, offset, form, value):
    def edit(data):
        local, central = entry(data, name)
        struct.pack_into(form, data, local + offset, value)
        struct.pack_into(form, data, central + offset + 2, value)
    return edit

stored, deflated = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
lines = "".join(f"line {n} of a deflated entry\n" for n in range(1, 41))
make("sound.zip", [("Data/", b"", stored), ("Data/ReadMe.TXT", "Stored as it is.\n", stored),
      ("Data/lines.txt", lines), ("日本語.txt", "wide name\n", stored),
      ("日本語のデータフォルダ/", b"", stored)])
make("methods.zip", [("bzip2.txt", lines, zipfile.ZIP_BZIP2), ("lzma.txt", lines, zipfile.ZIP_LZMA),
      ("deflate64.txt", "patched\n", stored), ("plain.txt", lines)])
# Deflate64 cannot be written by zipfile: its stored entry is marked as method 9.
patch("methods.zip", field(b"deflate64.txt", 8, "<H", 9))
make("escape.zip", [("../up.txt", "up\n"), ("/abs.txt", "abs\n"), ("C:/drive.txt", "drive\n"),
      ("a/../../b.txt", "b\n"), ("a\\..\\..\\c.txt", "c\n"), ("aux.txt", "device\n"), ("Com1.log", "port\n"),
      ("lpt9", "printer\n"), ("com10.txt", "a file\n"), ("safe/in.txt", "in\n")])
make("badcrc.zip", [("good.txt", lines), ("flipped.txt", "one byte of this is changed\n",
      stored), ("wrongcrc.txt", lines)])
# A byte of flipped.txt's stored content changes; the central CRC of wrongcrc.txt changes.
def damage(data):
    data[data.find(b"one byte of this")] ^= 0x20
    struct.pack_into("<I", data, entry(data, b"wrongcrc.txt")[1] + 16, 0x78563412)
patch("badcrc.zip", damage)
make("plain.zip", [("inner/one.txt", "one\n"), ("two.txt", lines)])
make("single.zip", [("single.txt", "alone\n")])
make("nothing.zip", [])

# The file layer's cases.
make("handles.zip", [("data/a.txt", "0123456789", stored), ("data/sub/file.txt", "sub file"),
      ("Upper.txt", "found whatever the case asked for", stored), ("zz", "", stored)])
make("first.zip", [("common.txt", "from first"), ("twice.txt", "first"),
      ("TWICE.TXT", "second", stored)])
make("second.zip", [("Common.TXT", "from second", stored), ("second-only.txt", "only here")])
odd = [("Maps\\Level One.DAT", "level data", stored), ("text.txt", "x" * 2000 + "\nend of text\n"),
       ("empty-deflated", ""), ("empty-stored", "", stored)]
# A comment that holds an end record of its own, whose comment would fit.
decoy = b"PK\x05\x06" + bytes(18) + b"tail"
make("comment.zip", odd, comment=decoy)
make64("zip64.zip", odd)
make64("zip64-comment.zip", odd, comment=decoy)
# Past a limit of 50 bytes: one file's sizes and another's offset in their ZIP64 fields.
make64("zip64-mixed.zip", [("sizes.txt", "x" * 100, stored), ("offset.txt", "small", stored)],
       limit=50)
make("passed-over.zip", [("folder/", b"", stored), ("Folder\\Sub\\", b"", stored), ("./", b"", stored),
      (".\\", b"", stored), ("", "nameless", stored), ("kept.txt", "kept", stored),
      ("./.\\Dotted/./Name.TXT", "dotted", stored), ("bzip2.bin", "x", zipfile.ZIP_BZIP2),
      ("lzma.bin", "x", zipfile.ZIP_LZMA), ("secret.txt", "x", stored), ("secret.z", "x"),
      ("nul_name", "x", stored)])
def pass_over(data):
    for name in (b"secret.txt", b"secret.z"):
        field(name, 6, "<H", 1)(data) # encrypted
    local, central = entry(data, b"nul_name")
    data[local + 30 + 3] = data[central + 46 + 3] = 0
patch("passed-over.zip", pass_over)
# A file passed over is not checked further: its claimed size may be anything.
make64("passed-over-zip64.zip", [("kept.txt", "kept", stored), ("huge.lzma", "x", zipfile.ZIP_LZMA)])
patch("passed-over-zip64.zip", lambda data: struct.pack_into(
      "<Q", data, entry(data, b"huge.lzma")[1] + 46 + 9 + 4, 1 << 40))

# Counts that are not the number of files: the directory is read to its recorded size.
count_low = [("one.txt", "one\n", stored), ("two.txt", "two\n"), ("three.txt", "three\n", stored)]
def count(value, where=lambda data: end(data) + 8, form="<HH"):
    return lambda data: struct.pack_into(form, data, where(data), *[value] * (len(form) - 1))
make("count-low.zip", count_low)
patch("count-low.zip", count(1))
make64("zip64-count-low.zip", count_low)
patch("zip64-count-low.zip", count(1, lambda data: data.rfind(b"PK\x06\x06") + 24, "<QQ"))
# A count of 0 with bytes in front: the stub is looked for all the same.
make("stub-count-zero.zip", count_low)
patch("stub-count-zero.zip", lambda data: (count(0)(data), data.__setitem__(slice(0, 0), b"S" * 100)))
# Deflated entries whose data is not what their size needs, beside the content they should give.
content = "".join(f"line {n} of the content\n" for n in range(1, 1001)).encode()
deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
stream = deflate.compress(content) + deflate.flush()
broken = {"garbage": (random.Random(2).randbytes(5000), len(content)),
          "longer": (stream, len(content) + 10000), "shorter": (stream, 10000),
          "nothing": (b"", len(content)), "truncated": (stream[:len(stream) // 2], len(content))}
make("broken.zip", [("content", content, stored)] +
     [(name, data, stored) for name, (data, claimed) in broken.items()])
for name, (data, claimed) in broken.items():
    patch("broken.zip", field(name.encode(), 8, "<H", 8)) # deflated
    patch("broken.zip", field(name.encode(), 22, "<I", claimed))

# The ferrox-vfs cases.
make("tool-a.zip", [("Bin/Raw.dat", b"line\r\nz\x1a nul\0 \xff\n", stored),
      ("docs/readme.txt", "Read me first.\n"), ("dup.txt", "from a", stored),
      ("shared.txt", "from archive a", stored)])
make("tool-b.zip", [("DUP.TXT", "from bee", stored)])
make("short.zip", [("short.bin", "abc")])
patch("short.zip", field(b"short.bin", 22, "<I", 100)) # claims more than its data holds
# Folders named by one character each, either side of where wide characters begin and end.
edges = [0x10FF, 0x1100, 0x115F, 0x1160, 0x2E80, 0x303E, 0x303F, 0xA4CF, 0xA4D0, 0xAC00, 0xD7A3,
         0xF8FF, 0xF900, 0xFAFF, 0xFB00, 0xFE2F, 0xFE30, 0xFE4F, 0xFF00, 0xFF60, 0xFF61, 0xFFE0,
         0xFFE6, 0x1F300, 0x1F64F, 0x1F650, 0x1F9FF, 0x1FA00, 0x20000, 0x3FFFD]
make("widths.zip", [(chr(c) + "/", b"", stored) for c in edges])
make("big.zip", [("big.bin", bytes(range(256)) * 1200)]) # several of the tool's chunks
# An archive that holds a file of its own name, and one after it that extract must still read.
make("self.zip", [("self.zip", "not the archive\n", stored), ("after.txt", "read after it\n")])
# Names that Windows opens as devices or changes (trailing blanks and dots), and their neighbours
# that are plain files.
make("windows-names.zip", [(name, "x\n", stored) for name in (
      "CON ", "aux .txt", "CONOUT$", "conin$.txt", "COM\u00b9.txt", "lpt\u00b2", "Lpt\u00b3.log",
      "nul.tar.gz", "PRN.", "com0", "LPT0.txt", "con/inner.txt", "name.", "name ", "folder./in.txt",
      "folder /in.txt", "com10.txt", "COM\u00b90.txt", "console.txt", "my.con", "con-x/in.txt")])
# Names with control bytes: a terminal must not act on them when extract prints them.
make("control-names.zip", [("clear\x1b[2J.txt", "x\n", stored), ("bell\x07\x7f.txt", "x\n", stored),
      ("\x1b]0;title\x07/../up.txt", "x\n", stored)])

# Damaged archives, each refused: a plain one and a ZIP64 one, each changed in one place.
long_name = b"alpha/a-file-with-a-long-name.txt"
pair = [(long_name.decode(), "alpha", stored), ("bravo/a-file-with-a-long-name.txt", "bravo bravo")]
n = len(long_name)
def central(data, index):
    return list(headers(data, b"PK\x01\x02"))[index]
def local(data, index):
    return list(headers(data, b"PK\x03\x04"))[index]
def zip64_end(data):
    return data.rfind(b"PK\x06\x06")
def damaged(name, zip64, edit):
    path = "damaged/" + name + ".zip"
    (make64 if zip64 else make)(path, pair)
    patch(path, edit)
def put(form, where, value):
    return lambda data: struct.pack_into(form, data, where(data), value(data))
size = len
damaged("directory-past-the-end", False, put("<I", lambda d: end(d) + 16, size))
damaged("directory-longer-than-the-file", False, put("<I", lambda d: end(d) + 12, size))
damaged("more-entries-than-the-directory", False, put("<H", lambda d: end(d) + 10, lambda d: 3))
# Bytes after the file headers that the directory's size counts: no file header.
def tail_in_directory(data):
    at = end(data)
    struct.pack_into("<I", data, at + 12, struct.unpack_from("<I", data, at + 12)[0] + 50)
    data[at:at] = b"x" * 50
damaged("directory-longer-than-its-headers", False, tail_in_directory)
damaged("file-header-signature", False, put("<I", lambda d: central(d, 1), lambda d: 0))
damaged("name-past-the-directory", False, put("<H", lambda d: central(d, 1) + 28, lambda d: 0xFFFF))
damaged("local-header-past-the-end", False, put("<I", lambda d: central(d, 0) + 42, size))
damaged("local-header-cut-by-the-end", False,
        put("<I", lambda d: central(d, 1) + 42, lambda d: len(d) - 10))
damaged("local-header-signature", False, put("<I", lambda d: local(d, 1), lambda d: 0))
damaged("data-past-the-end", False, put("<I", lambda d: central(d, 1) + 20, size))
damaged("local-extra-past-the-end", False, put("<H", lambda d: local(d, 1) + 28, lambda d: 0xFFFF))
damaged("stored-sizes-differ", False, put("<I", lambda d: central(d, 0) + 24, lambda d: 4))
damaged("truncated-to-half", False, lambda d: d.__delitem__(slice(len(d) // 2, None)))
damaged("end-record-cut-short", False, lambda d: d.pop())
damaged("zip64-locator-past-the-end", True,
        put("<Q", lambda d: d.rfind(b"PK\x06\x07") + 8, size))
damaged("zip64-end-signature", True, put("<I", zip64_end, lambda d: 0))
damaged("zip64-entry-count-beyond-the-directory", True,
        put("<Q", lambda d: zip64_end(d) + 32, lambda d: 1 << 40))
damaged("zip64-field-missing", True, put("<H", lambda d: central(d, 0) + 46 + n, lambda d: 0x5455))
damaged("zip64-field-too-short", True, put("<H", lambda d: central(d, 0) + 48 + n, lambda d: 16))
damaged("extra-field-longer-than-its-block", True,
        put("<H", lambda d: central(d, 0) + 48 + n, lambda d: 0xFFF0))
damaged("zip64-local-header-past-the-end", True,
        put("<Q", lambda d: central(d, 1) + 66 + n, lambda d: 1 << 33))
damaged("zip64-size-beyond-32-bits", True,
        put("<Q", lambda d: central(d, 1) + 50 + n, lambda d: 1 << 32))
# Names as MS-DOS and Windows archivers write them without the UTF-8 flag, in code page 437,
# and a UTF-8 name that an archiver on Unix left unflagged, as zip does.
with zipfile.ZipFile("code-pages.zip", "w") as archive:
    for name, system in (("caf#.txt", 0), ("os2-gar#on.txt", 6), ("ntfs-ma#ana.txt", 10),
                         ("na#ve/file.txt", 11), ("vfat-gr#n.txt", 14), ("unix-##.txt", 3),
                         ("mac-##.txt", 7)):
        info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
        info.create_system = system
        archive.writestr(info, b"content\n")
def unflagged(data):
    for placeholder, name in ((b"caf#", b"caf\x82"), (b"gar#on", b"gar\x87on"),
                              (b"ma#ana", b"ma\xa4ana"), (b"na#ve", b"na\x8bve"),
                              (b"gr#n", b"gr\x81n"), (b"unix-##", "unix-\u00fc".encode()),
                              (b"mac-##", "mac-\u00e9".encode())):
        data[:] = data.replace(placeholder, name)
patch("code-pages.zip", unflagged)
open("damaged/text.zip", "w").write("no archive in here")
open("damaged/empty.zip", "w").close()
PY
# A stub in front, offsets not adjusted, as self-extractors write it.
head -c 1000 /dev/zero | tr '\0' 'S' > stub.bin
cat stub.bin plain.zip > stub.zip
rm stub.bin
# One byte in front of a single file, and bytes in front of an archive of no files.
printf S | cat - single.zip > stub-single.zip
printf SSSS | cat - nothing.zip > stub-nothing.zip
rm single.zip
# Encrypted with zip's traditional encryption.
mkdir -p secret && printf 'hidden text\n' > secret/hidden.txt
touch -d '2024-01-02 03:04:06' secret/hidden.txt secret
zip -q -X -P password encrypted.zip secret/hidden.txt
rm -r secret
