#!/usr/bin/env python3
"""Runs the benchmarks and prints the ratios that the file layer and the configuration
parser are held to. Usage: bench/ratios.py [FOLDER WITH THE BENCHMARK PROGRAMS]"""
import json
import subprocess
import sys
from pathlib import Path

folder = Path(sys.argv[1] if len(sys.argv) > 1 else "build/bin")


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
         script["InihCounting/%d" % size] / script["ParseFile/%d" % size], (">=", 1.0))
    show("toml++, %d MB" % (size // mb), script["TomlPlusPlus/%d" % size] / script["ParseFile/%d" % size])
# One parse reads at most 64 MiB of script, so 100 MB cannot be parsed at all; the growth is
# measured over the largest tenfold step that one parse allows.
show("time(10 MB) / time(1 MB)", script["ParseFile/%d" % (10 * mb)] / script["ParseFile/%d" % mb], ("<=", 10.5))
show("time(10 MB of 200,000 typedefs and calls) / time(10 MB)",
     script["ParseHostile"] / script["ParseFile/%d" % (10 * mb)], ("<=", 3))
show("time(20,000 typedefs chosen to collide) / time(20,000 ordinary)",
     script["Typedefs/1"] / script["Typedefs/0"], ("<=", 3))
print("Configuration script: memory")
show("peak bytes per input byte, 10 MB", probe("peak", 10 * mb), ("<=", 2))
show("KiB first touched parsing the demo game.ini", probe("fresh", folder / "game.ini"), ("<=", 31.99))

crc = run("crc_bench")
print("File checksum log: speed relative to zlib's crc32 over the same bytes in memory")
show("CRC32OfFile, 64 MB file in the system's cache", crc["ZlibCrc32InMemory"] / crc["CRC32OfFileCached"], (">=", 1.2))
show("CRC32Block, 64 MB in memory", crc["ZlibCrc32InMemory"] / crc["CRC32BlockInMemory"], (">=", 2.5))
show("libdeflate's crc32, 64 MB in memory (the ceiling)", crc["ZlibCrc32InMemory"] / crc["LibdeflateCrc32InMemory"])

start = run("start_bench", "real_time")
print("Launcher start, exec to exit, the engine quitting at its first frame")
show("time relative to a C program that does nothing", start["StartLauncher/real_time"] / start["StartMinimalProgram/0/real_time"], ("<=", 2.0))
show("time relative to a C++ program that does nothing", start["StartLauncher/real_time"] / start["StartMinimalProgram/1/real_time"])
show("launcher, ms", start["StartLauncher/real_time"])
show("C program that does nothing, ms", start["StartMinimalProgram/0/real_time"])
show("C++ program that does nothing (the C++ runtime loaded and started), ms", start["StartMinimalProgram/1/real_time"])

listing = run("listing_bench", "real_time")
print("ferrox-vfs on 50,000 entries: speed relative to unzip on the same archive")
show("ls against unzip -l", listing["UnzipList"] / listing["FerroxVfsList"], (">=", 1.0))
show("test against unzip -t", listing["UnzipTest"] / listing["FerroxVfsTest"])
