#include "tests/vfs/zip_writer.h"

#include "tests/support/test_data.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <zlib.h>

namespace {

const uint32_t kSaturated32 = 0xFFFFFFFF;

void Append(std::string& bytes, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes += char((value >> (8 * i)) & 0xFF);
    }
}

struct Written {
    std::string data;
    uint32_t crc;
    uint64_t size; // as the headers give it
};

Written Encode(const ZipItem& item) {
    Written written;
    written.data = item.data          ? *item.data
                   : item.method == 8 ? RawDeflate(item.content)
                                      : item.content;
    written.crc = uint32_t(
        crc32(0, reinterpret_cast<const Bytef*>(item.content.data()), uInt(item.content.size())));
    written.size = item.declaredSize ? *item.declaredSize : item.content.size();
    return written;
}

// The ZIP64 extra field with the given values, in the order the format sets.
std::string Zip64Extra(const std::vector<uint64_t>& values) {
    std::string extra;
    Append(extra, 1, 2);
    Append(extra, 8 * values.size(), 2);
    for (uint64_t value : values) {
        Append(extra, value, 8);
    }
    return extra;
}

// The fields that local and central headers share, from the version needed on.
void AppendCommonFields(std::string& bytes, const ZipItem& item, const Written& written,
                        bool zip64) {
    Append(bytes, zip64 ? 45 : 20, 2);
    Append(bytes, item.flags, 2);
    Append(bytes, item.method, 2);
    Append(bytes, 0x6000, 2); // 12:00
    Append(bytes, 0x5821, 2); // 2024-01-01
    Append(bytes, written.crc, 4);
    Append(bytes, zip64 ? kSaturated32 : written.data.size(), 4);
    Append(bytes, zip64 ? kSaturated32 : written.size, 4);
    Append(bytes, item.name.size(), 2);
}

} // namespace

ZipImage MakeZip(const std::vector<ZipItem>& items, const ZipOptions& options) {
    if (items.size() > 0xFFFF && !options.zip64) {
        throw std::invalid_argument("more than 65535 entries need ZIP64 records");
    }
    ZipImage image;
    std::string& bytes = image.bytes;
    std::vector<Written> written;
    for (const ZipItem& item : items) {
        written.push_back(Encode(item));
        const Written& entry = written.back();
        image.localHeaders.push_back(bytes.size());
        std::string extra =
            options.zip64 ? Zip64Extra({entry.size, entry.data.size()}) : std::string();
        Append(bytes, 0x04034b50, 4);
        AppendCommonFields(bytes, item, entry, options.zip64);
        Append(bytes, extra.size(), 2);
        bytes += item.name + extra + entry.data;
    }
    image.directory = bytes.size();
    for (size_t i = 0; i < items.size(); ++i) {
        image.fileHeaders.push_back(bytes.size());
        std::string extra =
            options.zip64
                ? Zip64Extra({written[i].size, written[i].data.size(), image.localHeaders[i]})
                : std::string();
        Append(bytes, 0x02014b50, 4);
        Append(bytes, 20, 2); // made by
        AppendCommonFields(bytes, items[i], written[i], options.zip64);
        Append(bytes, extra.size(), 2);
        Append(bytes, 0, 2); // comment length
        Append(bytes, 0, 2); // disk
        Append(bytes, 0, 2); // internal attributes
        Append(bytes, 0, 4); // external attributes
        Append(bytes, options.zip64 ? kSaturated32 : image.localHeaders[i], 4);
        bytes += items[i].name + extra;
    }
    size_t directorySize = bytes.size() - image.directory;
    if (options.zip64) {
        image.zip64End = bytes.size();
        Append(bytes, 0x06064b50, 4);
        Append(bytes, 44, 8); // the size of the rest of the record
        Append(bytes, 45, 2);
        Append(bytes, 45, 2);
        Append(bytes, 0, 4);
        Append(bytes, 0, 4);
        Append(bytes, items.size(), 8);
        Append(bytes, items.size(), 8);
        Append(bytes, directorySize, 8);
        Append(bytes, image.directory, 8);
        image.zip64Locator = bytes.size();
        Append(bytes, 0x07064b50, 4);
        Append(bytes, 0, 4);
        Append(bytes, image.zip64End, 8);
        Append(bytes, 1, 4);
    }
    image.end = bytes.size();
    Append(bytes, 0x06054b50, 4);
    Append(bytes, 0, 2);
    Append(bytes, 0, 2);
    Append(bytes, options.zip64 ? 0xFFFF : items.size(), 2);
    Append(bytes, options.zip64 ? 0xFFFF : items.size(), 2);
    Append(bytes, options.zip64 ? kSaturated32 : directorySize, 4);
    Append(bytes, options.zip64 ? kSaturated32 : image.directory, 4);
    Append(bytes, options.comment.size(), 2);
    bytes += options.comment;
    return image;
}

void Put16(std::string& bytes, size_t offset, uint16_t value) {
    for (int i = 0; i < 2; ++i) {
        bytes.at(offset + i) = char((value >> (8 * i)) & 0xFF);
    }
}

void Put32(std::string& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + i) = char((value >> (8 * i)) & 0xFF);
    }
}

void Put64(std::string& bytes, size_t offset, uint64_t value) {
    Put32(bytes, offset, uint32_t(value));
    Put32(bytes, offset + 4, uint32_t(value >> 32));
}
