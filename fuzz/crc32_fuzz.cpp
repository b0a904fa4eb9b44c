// The checksum log's CRC-32 against zlib's: of a block, of a block continued by a second one,
// and of a byte range of a stream. The first bytes of the input choose where the blocks split
// and which range is checksummed; the rest are the bytes.
#include "vfs/crc_log.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <zlib.h>

namespace {

uint32_t ZlibCrc(const uint8_t* bytes, size_t length) {
    return uint32_t(crc32(0, bytes, uInt(length)));
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    size_t split = data[0], start = data[1] | data[2] << 8, end = data[3];
    const uint8_t* bytes = data + 4;
    size_t length = size - 4;
    if (length == 0) {
        return 0;
    }
    split = split % length;
    uint32_t running = 0xFFFFFFFF;
    Check(CRC32Block(bytes, int32_t(split == 0 ? length : split), &running) == 1);
    if (split != 0) {
        Check(CRC32Block(bytes + split, int32_t(length - split), &running) == 1);
    }
    Check(~running == ZlibCrc(bytes, length));

    // A range from `start` to `end` bytes before the last, or to the last byte when end is 0.
    start %= length;
    int32_t last = end == 0 ? -1 : int32_t(length) - 1 - int32_t(end % length);
    FILE* stream = tmpfile();
    if (!stream) {
        return 0;
    }
    fwrite(bytes, 1, length, stream);
    uint32_t crc = 0;
    uint8_t made = CRC32OfStream(stream, int32_t(start), last, &crc);
    fclose(stream);
    size_t through = last == -1 ? length - 1 : size_t(last);
    if (last != -1 && through < start) {
        Check(made == 0);
    } else {
        Check(made == 1 && crc == ZlibCrc(bytes + start, through - start + 1));
    }
    return 0;
}
