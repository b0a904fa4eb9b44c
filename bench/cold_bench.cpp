// One job done once, in a process of its own, as a player's process does it: bench/ratios.py
// starts it afresh for every figure, for Ferrox and for its peer alike, and reads the CPU time
// and page faults of the whole process from the kernel. Jobs:
//   corpus FOLDER BYTES           writes the realistic content of the parse benchmarks there, as
//                                 game.ini and, with the same values, as plain.ini for inih
//   parse FILE                    ParseScriptFile, the tree kept to the end as the game keeps it
//   inih FILE                     inih with a callback that counts the pairs
//   whole ARCHIVE NAME...         each named entry read whole with vfread, one after another
//   libdeflate ARCHIVE AT:PACKED:SIZE...  each raw deflate stream at AT, read from the archive
//                                 into memory first, decompressed whole with libdeflate
// The two read jobs also print, for each entry in turn, the CPU seconds of its read alone.
#include "bench/script_corpus.h"
#include "script/parser.h"
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <ini.h>
#include <libdeflate.h>
#include <string>
#include <vector>

namespace {

double CpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The caller's buffer, the same for both readers: its pages are touched before any read is
// timed, so that what is measured is the reader's own memory, not the caller's.
std::vector<unsigned char>& Destination(size_t size) {
    static std::vector<unsigned char> destination;
    if (destination.size() < size) {
        destination.assign(size, 1);
    }
    return destination;
}

int Corpus(const std::string& folder, long bytes) {
    ScriptCorpus all = RealisticCorpus(bytes);
    std::ofstream(folder + "/game.ini", std::ios::binary) << all.configuration;
    std::ofstream(folder + "/plain.ini", std::ios::binary) << all.ini;
    return 0;
}

int Parse(const char* path) {
    ScriptEntry* entries = ParseScriptFile(path);
    if (!entries) {
        std::fprintf(stderr, "cold_bench: %s did not parse\n", path);
        return 1;
    }
    return 0; // the tree lives until the process ends, as the game's does
}

int Inih(const char* path) {
    long pairs = 0;
    int result = ini_parse(
        path,
        [](void* user, const char*, const char*, const char*) {
            ++*static_cast<long*>(user);
            return 1;
        },
        &pairs);
    return result == 0 && pairs > 0 ? 0 : 1;
}

int Whole(const char* archive, char** names, int count) {
    if (vfmount(archive) != kMountOk) {
        std::fprintf(stderr, "cold_bench: cannot mount %s\n", archive);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        FILE* file = vfopen(names[i], "rb");
        long size = file && vfseek(file, 0, SEEK_END) == 0 ? vftell(file) : -1;
        if (size < 0 || vfseek(file, 0, SEEK_SET) != 0) {
            std::fprintf(stderr, "cold_bench: cannot open %s\n", names[i]);
            return 1;
        }
        unsigned char* out = Destination(size_t(size)).data();
        vfclose(file);
        double start = CpuSeconds();
        file = vfopen(names[i], "rb");
        size_t got = vfread(out, 1, size_t(size), file);
        vfclose(file);
        double spent = CpuSeconds() - start;
        if (got != size_t(size)) {
            std::fprintf(stderr, "cold_bench: %s read short\n", names[i]);
            return 1;
        }
        std::printf("%.6f\n", spent);
    }
    return 0;
}

int Libdeflate(const char* archive, char** streams, int count) {
    struct Stream {
        std::string packed;
        size_t size;
    };
    std::vector<Stream> all;
    std::ifstream file(archive, std::ios::binary);
    for (int i = 0; i < count; ++i) {
        unsigned long long at = 0, packed = 0, size = 0;
        if (std::sscanf(streams[i], "%llu:%llu:%llu", &at, &packed, &size) != 3) {
            std::fprintf(stderr, "cold_bench: %s is no AT:PACKED:SIZE\n", streams[i]);
            return 2;
        }
        all.push_back({std::string(size_t(packed), '\0'), size_t(size)});
        file.seekg(std::streamoff(at));
        file.read(&all.back().packed[0], std::streamsize(packed));
        Destination(size_t(size));
    }
    if (!file) {
        std::fprintf(stderr, "cold_bench: cannot read %s\n", archive);
        return 1;
    }
    libdeflate_decompressor* decompressor = nullptr;
    for (const Stream& stream : all) {
        double start = CpuSeconds();
        if (!decompressor) {
            // Taken in the first read, as the file layer takes its own.
            decompressor = libdeflate_alloc_decompressor();
        }
        size_t produced = 0;
        libdeflate_result result =
            libdeflate_deflate_decompress(decompressor, stream.packed.data(), stream.packed.size(),
                                          Destination(0).data(), stream.size, &produced);
        double spent = CpuSeconds() - start;
        if (result != LIBDEFLATE_SUCCESS || produced != stream.size) {
            std::fprintf(stderr, "cold_bench: a stream did not decompress\n");
            return 1;
        }
        std::printf("%.6f\n", spent);
    }
    libdeflate_free_decompressor(decompressor);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string job = argc >= 3 ? argv[1] : "";
    if (job == "corpus" && argc == 4) {
        return Corpus(argv[2], std::atol(argv[3]));
    }
    if (job == "parse" && argc == 3) {
        return Parse(argv[2]);
    }
    if (job == "inih" && argc == 3) {
        return Inih(argv[2]);
    }
    if (job == "whole" && argc >= 4) {
        return Whole(argv[2], argv + 3, argc - 3);
    }
    if (job == "libdeflate" && argc >= 4) {
        return Libdeflate(argv[2], argv + 3, argc - 3);
    }
    std::fprintf(
        stderr, "usage: cold_bench corpus FOLDER BYTES | parse|inih FILE | whole ARCHIVE NAME... | "
                "libdeflate ARCHIVE AT:PACKED:SIZE...\n");
    return 2;
}
