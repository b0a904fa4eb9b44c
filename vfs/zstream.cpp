#include "vfs/internal/zstream.h"

#include "platform/win32.h"
#include "vfs/internal/byte_source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>

uint32_t vfbufsize = 0x100000;

namespace {

// Forward moves decompress into a scratch buffer of this size and discard it.
const uint32_t kSkipScratchSize = 0x10000;

// Reads smaller than this are served from a staging buffer of this size. inflate decodes at
// full speed only while it has more than 258 bytes of room for its output; given 4 KiB at a
// time it would spend much of each read in its careful path.
const uint32_t kStageSize = 0x10000;

// The read-ahead buffer is topped up once less than this is left in it, not before every
// inflate call: the output is the same, without moving up to a mebibyte of unread input to
// the front of the buffer for every small read.
const uint32_t kRefillBelow = 0x8000;

// An entry whose deflate data is at most this long may be decompressed in one call, its data
// read whole first; a longer one always streams, so that memory stays bounded.
const uint32_t kMostWholeData = 64u << 20;

// The deflate data of whole reads is read into one buffer, kept from read to read: a fresh one
// each time would have the kernel fault its pages in again for every entry, which costs more
// than decompressing it. The buffer grows to the largest data read, from the system's memory
// in large blocks (large pages where the kernel offers them). It is given back once
// kShrinkAfter whole reads in a row have needed at most a quarter of it, so that one large
// entry does not hold its memory for the rest of the process; the next read takes one of its
// own size.
const uint32_t kLeastKept = 2u << 20;
const uint32_t kShrinkAfter = 64;
struct KeptBuffer {
    unsigned char* bytes = nullptr;
    uint32_t capacity = 0;
    uint32_t smallReads = 0; // in a row, each needing at most a quarter of the capacity
} kept;

// The kept buffer, with room for `size` bytes; null when memory runs out.
unsigned char* CompressedBuffer(uint32_t size) {
    kept.smallReads = size <= kept.capacity / 4 ? kept.smallReads + 1 : 0;
    if (kept.bytes && (size > kept.capacity || kept.smallReads > kShrinkAfter)) {
        VirtualFree(kept.bytes, 0, MEM_RELEASE);
        kept = KeptBuffer();
    }
    if (!kept.bytes) {
        uint32_t capacity = std::max(size, kLeastKept);
        kept.bytes = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, capacity, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        kept.capacity = kept.bytes ? capacity : 0;
    }
    return kept.bytes;
}

// Tops the read-ahead buffer up from the archive. Where the archive cannot be read, nothing
// is added and the entry's data ends early.
void vfzfill(PackHandle* handle) {
    z_stream& stream = handle->stream;
    const PackEntry* entry = handle->entry;
    uint32_t remaining = entry->compressedSize - handle->fetched;
    if (remaining == 0 || stream.avail_in >= kRefillBelow) {
        return;
    }
    if (stream.avail_in != 0 && stream.next_in != handle->readAhead) {
        std::memmove(handle->readAhead, stream.next_in, stream.avail_in);
    }
    stream.next_in = handle->readAhead;
    uint32_t wanted = std::min(handle->capacity - stream.avail_in, remaining);
    if (wanted == 0) {
        return;
    }
    uint32_t got =
        uint32_t(entry->archive->source->Read(uint64_t(entry->dataOffset) + handle->fetched,
                                              handle->readAhead + stream.avail_in, wanted));
    stream.avail_in += got;
    handle->fetched += got;
}

// Sets up the stream at the entry's first byte; false when memory or zlib refuse.
bool vfzstart(PackHandle* handle) {
    if (handle->streamActive) {
        return true;
    }
    z_stream& stream = handle->stream;
    std::memset(&stream, 0, sizeof stream);
    uint32_t capacity = std::min(vfbufsize, handle->entry->compressedSize);
    handle->readAhead = static_cast<unsigned char*>(std::malloc(std::max(capacity, 1u)));
    if (!handle->readAhead) {
        return false;
    }
    if (inflateInit2(&stream, -15) != Z_OK) {
        std::free(handle->readAhead);
        handle->readAhead = nullptr;
        return false;
    }
    handle->capacity = capacity;
    handle->fetched = 0;
    stream.next_in = handle->readAhead;
    stream.avail_in = 0;
    vfzfill(handle);
    handle->streamActive = 1;
    return true;
}

// One inflate call after a fill; false once the stream can give nothing more: its end, an
// error in the data, or no progress with no input left.
bool InflateStep(PackHandle* handle) {
    vfzfill(handle);
    z_stream& stream = handle->stream;
    uInt inBefore = stream.avail_in, outBefore = stream.avail_out;
    int result = inflate(&stream, Z_SYNC_FLUSH);
    bool progressed = stream.avail_in != inBefore || stream.avail_out != outBefore;
    return (result == Z_OK || result == Z_BUF_ERROR) && progressed;
}

// Brings the stream to `target`, starting again from the first byte to go back.
void vfzskip(PackHandle* handle, uint32_t target) {
    if (handle->stream.total_out > target) {
        vfzend(handle);
        if (!vfzstart(handle)) {
            return;
        }
    }
    unsigned char* scratch = static_cast<unsigned char*>(std::malloc(kSkipScratchSize));
    if (!scratch) {
        return;
    }
    z_stream& stream = handle->stream;
    while (stream.total_out < target) {
        stream.next_out = scratch;
        stream.avail_out = uInt(std::min<uLong>(target - stream.total_out, kSkipScratchSize));
        if (!InflateStep(handle)) {
            break;
        }
    }
    std::free(scratch);
}

// Inflates into `destination` until `length` bytes came out or the stream can give no more.
uint32_t InflateInto(PackHandle* handle, unsigned char* destination, uint32_t length) {
    z_stream& stream = handle->stream;
    stream.next_out = destination;
    stream.avail_out = length;
    while (stream.avail_out != 0 && InflateStep(handle)) {
    }
    return length - stream.avail_out;
}

// Copies what the staging buffer holds of the content from `position` on; the count copied.
uint32_t TakeStaged(const PackHandle* handle, uint32_t position, unsigned char* destination,
                    uint32_t length) {
    if (position < handle->stagedStart || position - handle->stagedStart >= handle->stagedLength) {
        return 0;
    }
    uint32_t offset = position - handle->stagedStart;
    uint32_t count = std::min(length, handle->stagedLength - offset);
    std::memcpy(destination, handle->staged + offset, count);
    return count;
}

} // namespace

uint32_t vfzread(PackHandle* handle, uint32_t position, void* destination, uint32_t length) {
    unsigned char* out = static_cast<unsigned char*>(destination);
    uint32_t delivered = TakeStaged(handle, position, out, length);
    if (delivered == length && length != 0) {
        return delivered;
    }
    position += delivered;
    if (!vfzstart(handle)) {
        return delivered;
    }
    if (handle->stream.total_out != position) {
        vfzskip(handle, position);
        if (!handle->streamActive || handle->stream.total_out != position) {
            return delivered; // the data ends before the position
        }
    }
    uint32_t wanted = length - delivered;
    if (wanted == 0) {
        return delivered;
    }
    bool small = wanted < kStageSize;
    if (small && !handle->staged) {
        handle->staged = static_cast<unsigned char*>(std::malloc(kStageSize));
    }
    if (!small || !handle->staged) {
        return delivered + InflateInto(handle, out + delivered, wanted); // straight to the caller
    }
    handle->stagedStart = position;
    handle->stagedLength = InflateInto(handle, handle->staged, kStageSize);
    return delivered + TakeStaged(handle, position, out + delivered, wanted);
}

bool vfzreadwhole(const PackEntry* entry, void* destination) {
    // Decompresses two to three times as fast as inflate, but only all at once.
    static libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    if (!decompressor || entry->compressedSize > kMostWholeData) {
        return false;
    }
    unsigned char* data = CompressedBuffer(entry->compressedSize);
    if (!data || entry->archive->source->Read(entry->dataOffset, data, entry->compressedSize) !=
                     entry->compressedSize) {
        return false;
    }
    size_t produced = 0;
    return libdeflate_deflate_decompress(decompressor, data, entry->compressedSize, destination,
                                         entry->size, &produced) == LIBDEFLATE_SUCCESS &&
           produced == entry->size;
}

void vfzend(PackHandle* handle) {
    if (!handle->streamActive) {
        return;
    }
    inflateEnd(&handle->stream);
    std::free(handle->readAhead);
    handle->readAhead = nullptr;
    std::free(handle->staged);
    handle->staged = nullptr;
    handle->stagedLength = 0;
    handle->streamActive = 0;
}
