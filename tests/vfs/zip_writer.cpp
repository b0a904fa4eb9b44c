#include "tests/vfs/zip_writer.h"

#include "tests/support/test_data.h"

#include <zlib.h>

namespace {

void Append(std::string& bytes, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes += char((value >> (8 * i)) & 0xFF);
    }
}

// The fields that local and central headers share, from the version needed to the name length.
void AppendCommonFields(std::string& bytes, const ZipItem& item, const std::string& data) {
    Append(bytes, 20, 2);
    Append(bytes, 0, 2); // flags
    Append(bytes, item.method, 2);
    Append(bytes, 0x6000, 2); // 12:00
    Append(bytes, 0x5821, 2); // 2024-01-01
    Append(bytes,
           crc32(0, reinterpret_cast<const Bytef*>(item.content.data()), uInt(item.content.size())),
           4);
    Append(bytes, data.size(), 4);
    Append(bytes, item.declaredSize ? *item.declaredSize : item.content.size(), 4);
    Append(bytes, item.name.size(), 2);
    Append(bytes, 0, 2); // extra field length
}

} // namespace

ZipImage MakeZip(const std::vector<ZipItem>& items) {
    std::string bytes, directory;
    for (const ZipItem& item : items) {
        const std::string data = item.data          ? *item.data
                                 : item.method == 8 ? RawDeflate(item.content)
                                                    : item.content;
        Append(directory, 0x02014b50, 4);
        Append(directory, 20, 2); // made by
        AppendCommonFields(directory, item, data);
        Append(directory, 0, 6); // comment length, disk, internal attributes
        Append(directory, 0, 4); // external attributes
        Append(directory, bytes.size(), 4);
        directory += item.name;
        Append(bytes, 0x04034b50, 4);
        AppendCommonFields(bytes, item, data);
        bytes += item.name + data;
    }
    const size_t directoryOffset = bytes.size();
    bytes += directory;
    Append(bytes, 0x06054b50, 4);
    Append(bytes, 0, 4);            // this disk, the directory's disk
    Append(bytes, items.size(), 2); // beyond 65535 files the count wraps
    Append(bytes, items.size(), 2);
    Append(bytes, directory.size(), 4);
    Append(bytes, directoryOffset, 4);
    Append(bytes, 0, 2); // comment length
    return {bytes};
}
