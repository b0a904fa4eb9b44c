// A compressed archive entry with fuzzed deflate data, read through a fuzzed sequence of seeks
// and reads of various sizes. Whatever comes out must be exactly what zlib's own inflate of the
// same bytes gives at that position.
//   byte 0: the number of operations n (0 to 31); then n operations of three bytes (kind and a
//   16-bit argument); the rest is the raw deflate data.
#include "fuzz/memory_archive.h"
#include "vfs/vfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

namespace {

const size_t kMostContent = 1 << 20;

// What zlib's inflate makes of the data in one call, up to its end or first error.
std::string Reference(const std::string& data) {
    std::string out(kMostContent, '\0');
    z_stream stream = {};
    inflateInit2(&stream, -15);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = uInt(out.size());
    inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    if (size < 1) {
        return 0;
    }
    size_t operations = std::min<size_t>(data[0] % 32, (size - 1) / 3);
    const uint8_t* op = data + 1;
    std::string stream(reinterpret_cast<const char*>(op + 3 * operations),
                       size - 1 - 3 * operations);
    std::string reference = Reference(stream);
    // The entry claims a little more than the data holds now and then, as damaged archives do.
    uint32_t claimed = uint32_t(reference.size() + (operations ? op[0] % 3 : 0) * 1000);
    MemoryArchive archive({{"entry", stream, true, claimed}});
    FILE* file = vfopen("entry", "rb");
    std::string buffer(65536, '\0');
    for (size_t i = 0; i < operations; ++i, op += 3) {
        uint32_t argument = uint32_t(op[1]) | uint32_t(op[2]) << 8;
        long position = vftell(file);
        switch (op[0] % 4) {
        case 0:
            vfseek(file, long(argument % (claimed + 2)), SEEK_SET);
            break;
        case 1:
            vfseek(file, long(argument) - 32768, SEEK_CUR);
            break;
        default: {
            size_t got = vfread(&buffer[0], 1, argument, file);
            if (got > 0 && (size_t(position) + got > reference.size() ||
                            std::memcmp(buffer.data(), reference.data() + position, got) != 0)) {
                std::abort(); // bytes that zlib does not give at this position
            }
            if (vftell(file) != long(position + got)) {
                std::abort();
            }
        }
        }
    }
    vfclose(file);
    return 0;
}
