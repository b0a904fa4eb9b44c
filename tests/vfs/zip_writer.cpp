#include "tests/vfs/zip_writer.h"

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
    written.data = item.method == 8 ? ZipDeflate(item.content) : item.content;
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

std::string ZipDeflate(const std::string& content) {
    z_stream stream = {};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string output(deflateBound(&stream, uLong(content.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = uInt(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(&output[0]);
    stream.avail_out = uInt(output.size());
    int result = deflate(&stream, Z_FINISH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate did not finish");
    }
    return output;
}

std::string NoisyBytes(size_t length) {
    std::string bytes(length, '\0');
    uint32_t state = 2463534242u; // xorshift32
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state >> 24);
    }
    return bytes;
}

ZipFolder::ZipFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("ferrox-zip-" + std::to_string(random()) + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate)) {
            folder_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

ZipFolder::~ZipFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string ZipFolder::Write(const std::string& name, const std::string& bytes) const {
    std::string path = Path(name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}
