// Reading a 32 MB compressed archive entry through the file layer, against zlib and libdeflate
// inflating the same stream straight into memory, and against PhysicsFS reading the same
// archive; and a 32 MB stored entry in pieces, against read() of the same bytes from a file
// in the system's cache.
#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <physfs.h>
#include <stdexcept>
#include <unistd.h>
#include <zlib.h>

namespace {

const size_t kContentSize = 32u << 20;
const size_t kSkip = 16u << 20;

// One archive with a deflated and a stored entry of the same content, mounted in the file
// layer and in PhysicsFS, and the content as a plain file.
struct Archive {
    TemporaryFolder folder;
    std::string content = TextLike(kContentSize);
    std::string stream = RawDeflate(content);
    std::string buffer = std::string(kContentSize, '\0');
    std::string plainFile = folder.Write("plain.txt", content);
    std::string path = folder.Write(
        "bench.zip",
        MakeZip({ZipItem("big.txt", content), ZipStored("stored.txt", content)}).bytes);
    Archive() {
        if (vfmount(path.c_str()) != kMountOk || !PHYSFS_init(nullptr) ||
            !PHYSFS_mount(path.c_str(), nullptr, 1)) {
            throw std::runtime_error("cannot mount " + path);
        }
    }
};

Archive& TheArchive() {
    static Archive archive;
    return archive;
}

void Inflate(benchmark::State& state, size_t length) {
    Archive& archive = TheArchive();
    for (auto _ : state) {
        z_stream stream = {};
        inflateInit2(&stream, -15);
        stream.next_in = reinterpret_cast<Bytef*>(&archive.stream[0]);
        stream.avail_in = uInt(archive.stream.size());
        stream.next_out = reinterpret_cast<Bytef*>(&archive.buffer[0]);
        stream.avail_out = uInt(length);
        while (stream.avail_out != 0 && inflate(&stream, Z_SYNC_FLUSH) == Z_OK) {
        }
        inflateEnd(&stream);
        benchmark::DoNotOptimize(archive.buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * length));
}

void RawInflateWhole(benchmark::State& state) {
    Inflate(state, kContentSize);
}
void RawInflateSkip(benchmark::State& state) {
    Inflate(state, kSkip);
}

void LibdeflateWhole(benchmark::State& state) {
    Archive& archive = TheArchive();
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        size_t length = 0;
        if (libdeflate_deflate_decompress(decompressor, archive.stream.data(),
                                          archive.stream.size(), &archive.buffer[0],
                                          archive.buffer.size(), &length) != LIBDEFLATE_SUCCESS ||
            length != kContentSize) {
            state.SkipWithError("libdeflate failed");
            break;
        }
    }
    libdeflate_free_decompressor(decompressor);
    state.SetBytesProcessed(int64_t(state.iterations() * kContentSize));
}

// As the script reader reads a file: seek to the end, tell, seek back, one read.
void VfreadWhole(benchmark::State& state) {
    Archive& archive = TheArchive();
    for (auto _ : state) {
        FILE* file = vfopen("big.txt", "rb");
        vfseek(file, 0, SEEK_END);
        long size = vftell(file);
        vfseek(file, 0, SEEK_SET);
        benchmark::DoNotOptimize(vfread(&archive.buffer[0], 1, size_t(size), file));
        vfclose(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kContentSize));
}

void VfreadPiecesOf(benchmark::State& state, const char* name) {
    Archive& archive = TheArchive();
    size_t piece = size_t(state.range(0));
    for (auto _ : state) {
        FILE* file = vfopen(name, "rb");
        for (size_t at = 0; vfread(&archive.buffer[at], 1, piece, file) == piece; at += piece) {
        }
        vfclose(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kContentSize));
}

void VfreadPieces(benchmark::State& state) {
    VfreadPiecesOf(state, "big.txt");
}

void VfreadStoredPieces(benchmark::State& state) {
    VfreadPiecesOf(state, "stored.txt");
}

// The same bytes as the stored entry, read() from a plain file in pieces.
void PosixReadPieces(benchmark::State& state) {
    Archive& archive = TheArchive();
    size_t piece = size_t(state.range(0));
    for (auto _ : state) {
        int file = open(archive.plainFile.c_str(), O_RDONLY);
        for (size_t at = 0; read(file, &archive.buffer[at], piece) == ssize_t(piece); at += piece) {
        }
        close(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kContentSize));
}

// The same bytes read() where the stored entry holds them: in the archive, from its data offset.
void PosixReadArchivePieces(benchmark::State& state) {
    Archive& archive = TheArchive();
    size_t piece = size_t(state.range(0));
    off_t offset = off_t(vflookup("stored.txt")->dataOffset);
    for (auto _ : state) {
        int file = open(archive.path.c_str(), O_RDONLY);
        lseek(file, offset, SEEK_SET);
        for (size_t at = 0;
             at < kContentSize && read(file, &archive.buffer[at], piece) == ssize_t(piece);
             at += piece) {
        }
        close(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kContentSize));
}

void VfSkipThenRead(benchmark::State& state) {
    Archive& archive = TheArchive();
    for (auto _ : state) {
        FILE* file = vfopen("big.txt", "rb");
        vfseek(file, long(kSkip), SEEK_SET);
        benchmark::DoNotOptimize(vfread(&archive.buffer[0], 1, 4096, file));
        vfclose(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kSkip));
}

void PhysfsPieces(benchmark::State& state) {
    Archive& archive = TheArchive();
    size_t piece = state.range(0) ? size_t(state.range(0)) : kContentSize;
    for (auto _ : state) {
        PHYSFS_File* file = PHYSFS_openRead("big.txt");
        for (size_t at = 0; at < kContentSize && PHYSFS_readBytes(file, &archive.buffer[at],
                                                                  piece) == PHYSFS_sint64(piece);
             at += piece) {
        }
        PHYSFS_close(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kContentSize));
}

void PhysfsSkipThenRead(benchmark::State& state) {
    Archive& archive = TheArchive();
    for (auto _ : state) {
        PHYSFS_File* file = PHYSFS_openRead("big.txt");
        PHYSFS_seek(file, kSkip);
        benchmark::DoNotOptimize(PHYSFS_readBytes(file, &archive.buffer[0], 4096));
        PHYSFS_close(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kSkip));
}

BENCHMARK(RawInflateWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(VfreadWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(VfreadPieces)->Arg(65536)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(LibdeflateWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(VfreadStoredPieces)->Arg(65536)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(PosixReadPieces)->Arg(65536)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(PosixReadArchivePieces)->Arg(65536)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(PhysfsPieces)->Arg(0)->Arg(65536)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(RawInflateSkip)->Unit(benchmark::kMillisecond);
BENCHMARK(VfSkipThenRead)->Unit(benchmark::kMillisecond);
BENCHMARK(PhysfsSkipThenRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
