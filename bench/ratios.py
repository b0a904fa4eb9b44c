#!/usr/bin/env python3
"""Runs the benchmarks and prints the ratios that the file layer and the configuration
parser are held to. Usage:
    bench/ratios.py [FOLDER WITH THE BENCHMARK PROGRAMS [FOLDER OF A WINDOWS BUILD'S PROGRAMS]]
With the second folder, the launcher's start is also measured under Wine."""
import json
import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

folder = Path(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
windows = Path(sys.argv[2]) if len(sys.argv) > 2 else None


def run(program, clock="cpu_time"):
    """The median time of nine runs of each benchmark of the program, the runs of its different
    benchmarks in random order, so that a burst of other work on a shared machine falls on
    either side of a ratio alike. The time is the process's own, user and system, or, for
    benchmarks that wait for other programs, the time on the wall."""
    output = subprocess.run([str(folder / program), "--benchmark_format=json",
                             "--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                             "--benchmark_report_aggregates_only=true"],
                            check=True, capture_output=True, text=True).stdout
    return {b["run_name"]: b[clock] for b in json.loads(output)["benchmarks"]
            if b.get("aggregate_name") == "median"}


def show(title, ratio, target=None):
    verdict = "" if target is None else ("  (target %s: %s)" % (target[0] + str(target[1]),
              "met" if (ratio >= target[1] if target[0] == ">=" else ratio <= target[1]) else "MISSED"))
    print("  %-58s %6.2f%s" % (title, ratio, verdict))


def probe(*arguments):
    """One figure that parse_footprint prints, measured in a process of its own."""
    return float(subprocess.run([str(folder / "parse_footprint"), *map(str, arguments)],
                                check=True, capture_output=True, text=True).stdout)


def spawn(argv):
    """Runs a program in a fresh process, its output captured: its CPU time (user and system,
    from the kernel's account of the child), its page faults and its output lines."""
    with tempfile.TemporaryFile() as out:
        pid = os.posix_spawn(argv[0], argv, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, out.fileno(), 1)])
        _, status, usage = os.wait4(pid, 0)
        if status != 0:
            raise RuntimeError("%s failed" % " ".join(map(str, argv)))
        out.seek(0)
        return usage.ru_utime + usage.ru_stime, usage.ru_minflt, out.read().decode().split()


def cold(ours, peer, pairs=15, total=False):
    """Both programs run as interleaved pairs of fresh processes, so that other work on a shared
    machine falls on both alike: the median of each side's figures, ours first, and the largest
    spread of a figure (deviation / median). A figure is the process's CPU time, or, where the
    program prints times of its own, the list of them, or with `total` their sum."""
    mine, theirs = [], []
    for _ in range(pairs):
        for side, argv in ((mine, ours), (theirs, peer)):
            cpu, faults, lines = spawn(argv)
            times = [float(line) for line in lines] if lines else [cpu]
            side.append([sum(times)] if total else times)
    medians = [[statistics.median(column) for column in zip(*side)] for side in (mine, theirs)]
    spread = max(statistics.pstdev(column) / statistics.median(column)
                 for side in (mine, theirs) for column in zip(*side))
    return medians[0], medians[1], spread


def game_like(size, seed):
    """Content as a game's archives hold it, about 2:1 deflated: script and table text, mesh
    data, and media that is compressed already."""
    rng = random.Random(seed)
    words = "level spawn light music troll orc texture mesh sound door key wall floor player".split()
    lines = [("%s_%d = %s %d %.2f\r\n" % (rng.choice(words), rng.randrange(1000), rng.choice(words),
              rng.randrange(100000), rng.random() * 100)).encode() for _ in range(4096)]
    meshes = [struct.pack("<1024h", *[(b + i + rng.randrange(4)) & 0x7fff for i in range(1024)])
              for b in range(0, 32000, 500)]
    parts, total = [], 0
    while total < size:
        kind = rng.random()
        chunk = (b"".join(rng.choices(lines, k=96)) if kind < 0.5 else
                 rng.choice(meshes) if kind < 0.95 else rng.randbytes(4096))
        parts.append(chunk)
        total += len(chunk)
    return b"".join(parts)[:size]


def archive(path, entries):
    """A ZIP of the named contents, deflated; where each entry's deflate data lies in it."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as out:
        for name, data in entries:
            out.writestr(name, data)
    streams = []
    with zipfile.ZipFile(path) as zip_file, open(path, "rb") as raw:
        for info in zip_file.infolist():
            raw.seek(info.header_offset + 26)
            name_length, extra_length = struct.unpack("<HH", raw.read(4))
            at = info.header_offset + 30 + name_length + extra_length
            streams.append("%d:%d:%d" % (at, info.compress_size, info.file_size))
    return streams


vfs = run("vfs_bench")
print("File layer: speed relative to raw zlib inflate of the same stream")
show("whole entry, as the script reader reads it", vfs["RawInflateWhole"] / vfs["VfreadWhole"], (">=", 1.8))
show("64 KiB pieces", vfs["RawInflateWhole"] / vfs["VfreadPieces/65536"], (">=", 0.95))
show("4 KiB pieces", vfs["RawInflateWhole"] / vfs["VfreadPieces/4096"], (">=", 0.92))
show("forward skip of 16 MB, then 4 KiB", vfs["RawInflateSkip"] / vfs["VfSkipThenRead"], (">=", 0.93))
show("libdeflate, whole stream (the ceiling)", vfs["RawInflateWhole"] / vfs["LibdeflateWhole"])
print("File layer: stored entry, speed relative to read() of the same bytes from the cache")
show("64 KiB pieces, read() where the archive holds them",
     vfs["PosixReadArchivePieces/65536"] / vfs["VfreadStoredPieces/65536"], (">=", 0.95))
show("4 KiB pieces, read() where the archive holds them",
     vfs["PosixReadArchivePieces/4096"] / vfs["VfreadStoredPieces/4096"], (">=", 0.90))
# A plain file starts its bytes on a page boundary; an entry's data rarely does.
show("64 KiB pieces, read() of a plain file", vfs["PosixReadPieces/65536"] / vfs["VfreadStoredPieces/65536"])
show("4 KiB pieces, read() of a plain file", vfs["PosixReadPieces/4096"] / vfs["VfreadStoredPieces/4096"])
print("File layer: speed relative to PhysicsFS on the same archive")
show("whole entry", vfs["PhysfsPieces/0"] / vfs["VfreadWhole"])
show("64 KiB pieces", vfs["PhysfsPieces/65536"] / vfs["VfreadPieces/65536"])
show("4 KiB pieces", vfs["PhysfsPieces/4096"] / vfs["VfreadPieces/4096"])
show("forward skip of 16 MB, then 4 KiB", vfs["PhysfsSkipThenRead"] / vfs["VfSkipThenRead"])

script = run("script_bench")
mb = 1 << 20
print("Configuration script: MB/s")
show("scanner (blanks, comments, words)", 1000.0 / script["Scanner"])
show("literal readers", 1000.0 / script["Literals"])
show("ParseScriptFile, 1 MB", 1000.0 / script["ParseFile/%d" % mb])
show("ParseScriptFile, 10 MB", 10000.0 / script["ParseFile/%d" % (10 * mb)])
print("Configuration script: speed relative to other parsers on the same content")
for size in (mb, 10 * mb):
    show("inih counting its pairs, %d MB" % (size // mb),
         script["InihCounting/%d" % size] / script["ParseFile/%d" % size], (">=", 1.5))
    show("toml++, %d MB" % (size // mb), script["TomlPlusPlus/%d" % size] / script["ParseFile/%d" % size])
# One parse reads at most 64 MiB of script, so 100 MB cannot be parsed at all; the growth is
# measured over the largest tenfold step that one parse allows.
show("time(10 MB) / time(1 MB)", script["ParseFile/%d" % (10 * mb)] / script["ParseFile/%d" % mb], ("<=", 10.5))
show("time(10 MB of 200,000 typedefs and calls) / time(10 MB)",
     script["ParseHostile"] / script["ParseFile/%d" % (10 * mb)], ("<=", 3))
show("time(20,000 typedefs chosen to collide) / time(20,000 ordinary)",
     script["Typedefs/1"] / script["Typedefs/0"], ("<=", 3))
print("Configuration script: memory")
show("peak bytes per input byte, 10 MB", probe("peak", 10 * mb), ("<=", 3.6))
show("KiB first touched parsing the demo game.ini", probe("fresh", folder / "game.ini"), ("<=", 31.99))

work = Path(tempfile.mkdtemp(prefix="ratios-"))
bench = str(folder / "cold_bench")
subprocess.run([bench, "corpus", str(work), str(10 * mb)], check=True)
print("Cold runs: each figure from a fresh process, interleaved pairs, medians of CPU time")
ours, peer, spread = cold([bench, "parse", work / "game.ini"], [bench, "inih", work / "plain.ini"])
show("parse of 10 MB against inih's, both the only work of the process", peer[0] / ours[0], (">=", 1.0))
show("  ms, ours (the whole process)", ours[0] * 1000)
show("  ms, inih (the whole process)", peer[0] * 1000)
show("  page faults of one parse, its whole process", spawn([bench, "parse", work / "game.ini"])[1])
show("  page faults of inih's run, its whole process", spawn([bench, "inih", work / "plain.ini"])[1])
show("  largest spread of the figures (deviation / median)", spread)
sizes = (1, 8, 64)
streams = archive(work / "large.zip", [("size%d.bin" % size, game_like(size * mb, size)) for size in sizes])
ours, peer, spread = cold([bench, "whole", work / "large.zip"] + ["size%d.bin" % size for size in sizes],
                          [bench, "libdeflate", work / "large.zip"] + streams)
for index, size in enumerate(sizes):
    show("whole read of %d MB, game-like, against libdeflate alone" % size, peer[index] / ours[index],
         (">=", 0.90))
show("  largest spread of the figures (deviation / median)", spread)
ten = [bench, "whole", work / "large.zip"] + ["size8.bin"] * 10
show("  page faults of ten whole reads of 8 MB, the whole process", spawn(ten)[1])
show("  page faults of one whole read of 8 MB, the whole process", spawn(ten[:4])[1])
small = [("small%04d.bin" % n, game_like(random.Random(n).randrange(4096, 65536), n)) for n in range(1000)]
streams = archive(work / "small.zip", small)
ours, peer, spread = cold([bench, "whole", work / "small.zip"] + [name for name, _ in small],
                          [bench, "libdeflate", work / "small.zip"] + streams, 9, True)
show("1,000 small whole reads (4-64 KB) against libdeflate alone", peer[0] / ours[0])
show("  largest spread of the figures (deviation / median)", spread)

crc = run("crc_bench")
print("File checksum log: speed relative to zlib's crc32 over the same bytes in memory")
show("CRC32OfFile, 64 MB file in the system's cache", crc["ZlibCrc32InMemory"] / crc["CRC32OfFileCached"], (">=", 1.2))
show("CRC32Block, 64 MB in memory", crc["ZlibCrc32InMemory"] / crc["CRC32BlockInMemory"], (">=", 2.5))
show("libdeflate's crc32, 64 MB in memory (the ceiling)", crc["ZlibCrc32InMemory"] / crc["LibdeflateCrc32InMemory"])

start = run("start_bench", "real_time")
print("Launcher start, exec to exit, the engine quitting at its first frame")
show("time relative to a C program that does nothing", start["StartLauncher/real_time"] / start["StartMinimalProgram/0/real_time"], ("<=", 2.0))
show("time relative to a program that only loads the launcher's libraries",
     start["StartLauncher/real_time"] / start["StartMinimalProgram/2/real_time"], ("<=", 1.2))
show("time relative to a C++ program that does nothing", start["StartLauncher/real_time"] / start["StartMinimalProgram/1/real_time"])
show("launcher, ms", start["StartLauncher/real_time"])
show("C program that does nothing, ms", start["StartMinimalProgram/0/real_time"])
show("C++ program that does nothing (the C++ runtime loaded and started), ms", start["StartMinimalProgram/1/real_time"])
show("program that only loads the launcher's libraries, ms", start["StartMinimalProgram/2/real_time"])

def wine_for(program):
    """How to run a Windows program: the project's private 32-bit Wine for a 32-bit one, the
    system's Wine for a 64-bit one."""
    with open(program, "rb") as exe:
        header = exe.read(4096)
    pe_at = struct.unpack_from("<I", header, 0x3C)[0]
    if struct.unpack_from("<H", header, pe_at + 4)[0] == 0x14C:
        return [str(Path(__file__).resolve().parent.parent / "cmake/wine32/run.sh")]
    subprocess.run(["wineserver", "-p60"], check=False)  # one server for every run that follows
    return ["wine"]


def wine_starts(build, pairs=15):
    """The launcher's start under Wine, exec to exit with the engine quitting at its first frame,
    and that of the do-nothing programs of the same build, from a game folder of their own, as
    interleaved triples of fresh processes, on the wall: the median seconds of each."""
    game = work / "wine-game"
    (game / "data").mkdir(parents=True)
    (game / "logs").mkdir()
    for name in ("ferrox.exe", "FerroxEngine2.dll", "game.ini", "data/Running.scr",
                 "minimal_program.exe", "imports_only_program.exe"):
        shutil.copy(build / name, game / name)
    (game / "logs/DXDiags.txt").write_text("A report exists: no dxdiag is started.\n")
    runner = wine_for(game / "ferrox.exe")
    environment = dict(os.environ, WINEDEBUG="-all")
    programs = (["ferrox.exe", "frames=0"], ["minimal_program.exe"], ["imports_only_program.exe"])
    seconds = [[] for _ in programs]
    for turn in range(pairs + 1):  # the first turn only brings Wine and the files in
        for index, argv in enumerate(programs):
            start = time.monotonic()
            subprocess.run(runner + argv, cwd=game, env=environment, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if turn > 0:
                seconds[index].append(time.monotonic() - start)
    return [statistics.median(side) for side in seconds]


if windows:
    launcher, nothing, imports = wine_starts(windows)
    print("Launcher start under Wine (%s), exec to exit, the engine quitting at its first frame"
          % windows)
    show("time relative to a program that only loads the launcher's libraries", launcher / imports,
         ("<=", 1.2))
    show("time relative to a C program that does nothing", launcher / nothing)
    show("launcher, ms", launcher * 1000)
    show("C program that does nothing, ms", nothing * 1000)
    show("program that only loads the launcher's libraries, ms", imports * 1000)

listing = run("listing_bench", "real_time")
print("ferrox-vfs on 50,000 entries: speed relative to unzip on the same archive")
show("ls against unzip -l", listing["UnzipList"] / listing["FerroxVfsList"], (">=", 1.0))
show("test against unzip -t", listing["UnzipTest"] / listing["FerroxVfsTest"])

def extract_run(argv, into):
    """Wall and CPU seconds of one run in a fresh process that writes into the new folder
    `into`, its output thrown away. Nothing is deleted before a run: the file system's search
    for a free inode slows down for a while where many were freed, and would slow whichever
    tool ran next."""
    os.mkdir(into)
    os.sync()  # what earlier runs wrote is not written back during this one
    start = time.monotonic()
    pid = os.posix_spawn(argv[0], list(map(str, argv)), os.environ,
                         file_actions=[(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)])
    _, status, usage = os.wait4(pid, 0)
    wall = time.monotonic() - start
    if status != 0:
        raise RuntimeError("%s failed" % " ".join(map(str, argv)))
    return wall, usage.ru_utime + usage.ru_stime


bsdtar = shutil.which("bsdtar")
if bsdtar:
    # Each file a different stretch of one game-like blob: making 207 MB of it would take minutes.
    blob = game_like(8 * mb, 2000)
    archive(work / "many.zip", [("data/d%02d/file%04d.bin" % (n % 20, n),
                                 blob[n * 4093 % (len(blob) - 103500):][:103500]) for n in range(2000)])
    ours, theirs = [], []
    for turn in range(5):
        runs = [(ours, [folder / "ferrox-vfs", "--mount", work / "many.zip", "extract", "-C"], "ours"),
                (theirs, [bsdtar, "-xf", work / "many.zip", "-C"], "theirs")]
        for side, argv, name in runs[::1 if turn % 2 == 0 else -1]:  # each goes first as often
            into = work / ("%s%d" % (name, turn))
            side.append(extract_run(argv + [into], into))
    print("ferrox-vfs extract of 2,000 files (207 MB, game-like): speed relative to bsdtar -x")
    for index, what in enumerate(("wall time", "CPU time")):
        show(what, statistics.median(t[index] for t in theirs) / statistics.median(t[index] for t in ours),
             (">=", 0.9))
    show("  seconds on the wall, ours", statistics.median(t[0] for t in ours))
    show("  seconds on the wall, bsdtar", statistics.median(t[0] for t in theirs))
else:
    print("ferrox-vfs extract against bsdtar: not measured, no bsdtar (Debian: libarchive-tools)")

shutil.rmtree(work, ignore_errors=True)  # the corpora, archives and extracted files
