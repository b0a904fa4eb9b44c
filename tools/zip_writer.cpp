#include "tools/zip_writer.h"

#include <zlib.h>

namespace {

const uint16_t kStored = 0;
const uint16_t kDeflated = 8;
const uint16_t kUtf8Flag = 1 << 11;

void Put16(std::string& out, uint32_t value) {
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// The raw deflate stream of `content`, or empty when it would not be smaller.
std::string Deflated(const std::string& content, int level) {
    z_stream stream = {};
    if (level == 0 || content.empty() ||
        deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return "";
    }
    std::string out(deflateBound(&stream, uLong(content.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = uInt(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = uInt(out.size());
    bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return done && out.size() < content.size() ? out : "";
}

bool HasNonAscii(const std::string& name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ZipWriter::Add(const std::string& name, const std::string& content, uint16_t date,
                    uint16_t time, std::string* problem) {
    if (count_ == kZipMaxFiles) {
        *problem = "more than " + std::to_string(kZipMaxFiles) + " files";
        return false;
    }
    if (name.size() > 0xFFFF) {
        *problem = "a name longer than 65535 bytes";
        return false;
    }
    std::string deflated = Deflated(content, level_);
    const std::string& data = deflated.empty() ? content : deflated;
    uint16_t method = deflated.empty() ? kStored : kDeflated;
    uint64_t end = offset_ + 30 + name.size() + data.size();
    if (content.size() > kZipMaxOffset || end > kZipMaxOffset) {
        *problem = "an archive larger than 4 GiB, which the file layer cannot read";
        return false;
    }
    uint32_t crc =
        uint32_t(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(content.data()),
                       uInt(content.size())));
    // The fields that the local header and the directory's file header share.
    std::string common;
    Put16(common, method == kStored ? 10 : 20); // version needed: 1.0, 2.0 for deflate
    Put16(common, HasNonAscii(name) ? kUtf8Flag : 0);
    Put16(common, method);
    Put16(common, time);
    Put16(common, date);
    Put32(common, crc);
    Put32(common, uint32_t(data.size()));
    Put32(common, uint32_t(content.size()));
    Put16(common, uint16_t(name.size()));
    Put16(common, 0); // no extra field

    std::string local;
    Put32(local, 0x04034b50);
    local += common + name;
    Put32(directory_, 0x02014b50);
    // Made by: Unix attributes, version 2.0. Readers convert the names of archives made on
    // MS-DOS from its code page, which would garble UTF-8 names.
    Put16(directory_, 3 << 8 | 20);
    directory_ += common;
    Put16(directory_, 0);              // comment
    Put16(directory_, 0);              // disk
    Put16(directory_, 0);              // internal attributes
    Put32(directory_, 0100644u << 16); // a plain file, rw-r--r--
    Put32(directory_, uint32_t(offset_));
    directory_ += name;

    if (std::fwrite(local.data(), 1, local.size(), out_) != local.size() ||
        std::fwrite(data.data(), 1, data.size(), out_) != data.size()) {
        *problem = "cannot be written";
        return false;
    }
    offset_ = end;
    ++count_;
    return true;
}

bool ZipWriter::Finish(std::string* problem) {
    if (offset_ + directory_.size() > kZipMaxOffset) {
        *problem = "an archive larger than 4 GiB, which the file layer cannot read";
        return false;
    }
    std::string end;
    Put32(end, 0x06054b50);
    Put16(end, 0); // this disk
    Put16(end, 0); // the directory's disk
    Put16(end, count_);
    Put16(end, count_);
    Put32(end, uint32_t(directory_.size()));
    Put32(end, uint32_t(offset_));
    Put16(end, 0); // comment
    if (std::fwrite(directory_.data(), 1, directory_.size(), out_) != directory_.size() ||
        std::fwrite(end.data(), 1, end.size(), out_) != end.size() || std::fflush(out_) != 0) {
        *problem = "cannot be written";
        return false;
    }
    return true;
}
