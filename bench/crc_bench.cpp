// Checksumming a 64 MB file that the system has cached, through the checksum log's file
// reader, and the same bytes in memory through its block step, against zlib's and libdeflate's
// crc32 over the bytes in memory.
#include "tests/support/temporary_folder.h"
#include "vfs/crc_log.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <libdeflate.h>
#include <random>
#include <stdexcept>
#include <string>
#include <zlib.h>

namespace {

const size_t kFileSize = 64u << 20;

// The file, written once and read once before any timing so that it comes from the cache.
struct CachedFile {
    TemporaryFolder folder;
    std::string path = folder.Path("big.bin");
    std::string bytes = std::string(kFileSize, '\0');
    uint32_t crc = 0;
    CachedFile() {
        std::mt19937 random(17);
        for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
            uint32_t word = random();
            bytes.replace(at, 4, reinterpret_cast<const char*>(&word), 4);
        }
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
        uint32_t read = 0;
        if (!CRC32OfFile(path.c_str(), 0, -1, &read) || read != crc) {
            throw std::runtime_error("cannot checksum " + path);
        }
    }
};

CachedFile& TheFile() {
    static CachedFile file;
    return file;
}

void CRC32OfFileCached(benchmark::State& state) {
    CachedFile& file = TheFile();
    for (auto _ : state) {
        uint32_t crc = 0;
        if (!CRC32OfFile(file.path.c_str(), 0, -1, &crc) || crc != file.crc) {
            state.SkipWithError("wrong CRC");
            break;
        }
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileSize));
}

void ZlibCrc32InMemory(benchmark::State& state) {
    CachedFile& file = TheFile();
    for (auto _ : state) {
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(file.bytes.data()), uInt(kFileSize));
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileSize));
}

void CRC32BlockInMemory(benchmark::State& state) {
    CachedFile& file = TheFile();
    for (auto _ : state) {
        uint32_t crc = 0xFFFFFFFF;
        CRC32Block(file.bytes.data(), int32_t(kFileSize), &crc);
        if (~crc != file.crc) {
            state.SkipWithError("wrong CRC");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileSize));
}

void LibdeflateCrc32InMemory(benchmark::State& state) {
    CachedFile& file = TheFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(libdeflate_crc32(0, file.bytes.data(), kFileSize));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileSize));
}

BENCHMARK(CRC32OfFileCached)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibCrc32InMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(CRC32BlockInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(LibdeflateCrc32InMemory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
