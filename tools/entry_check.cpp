#include "tools/entry_check.h"

#include "vfs/listing.h"
#include "vfs/vfile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace {

const size_t kChunkSize = 64 * 1024;

std::string Hex(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(value));
    return text;
}

} // namespace

std::string CopyCheckedFile(FILE* file, FILE* out) {
    static std::vector<unsigned char> chunk(kChunkSize);
    uint64_t total = 0;
    uLong crc = crc32(0, nullptr, 0);
    size_t got;
    while ((got = vfread(chunk.data(), 1, chunk.size(), file)) > 0) {
        if (out && std::fwrite(chunk.data(), 1, got, out) != got) {
            return std::string("cannot be written (") + std::strerror(errno) + ")";
        }
        crc = crc32(crc, chunk.data(), uInt(got));
        total += got;
    }
    const PackEntry* entry = vfhandleentry(file);
    if (!entry) {
        return std::ferror(file) ? "cannot be read to its end" : "";
    }
    if (total != entry->size) {
        return "cannot be read to its end: " + std::to_string(total) + " of " +
               std::to_string(entry->size) + " bytes";
    }
    if (crc != vfentrycrc(entry)) {
        return "bad CRC " + Hex(uint32_t(crc)) + " (should be " + Hex(vfentrycrc(entry)) + ")";
    }
    return "";
}
