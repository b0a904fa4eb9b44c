#include "tools/zip_writer.h"

#include "platform/win32.h"
#include "vfs/zip_format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <zlib.h>

namespace {

const char kTooLarge[] = "an archive larger than 4 GiB, which the file layer cannot read";
// The piece of a file read at a time, and of the deflate stream written at a time.
const size_t kPiece = 256 * 1024;
// The modes recorded: a plain file, rw-r--r--, or rwxr-xr-x where it is executable, and a
// folder; nothing of the owner's other bits, so that the same files make the same archive.
const uint32_t kFileMode = 0100644, kExecutableMode = 0100755, kFolderMode = 0040755;

// What the headers say of an entry.
struct Entry {
    const std::string& name;
    uint16_t date, time, method;
    uint32_t crc;
    uint64_t compressedSize, size;
    uint32_t mode; // Unix: the type and the permissions
};

void Put16(std::string& out, uint32_t value) {
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

bool HasNonAscii(const std::string& name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

// The fields that the local header and the directory's file header share.
std::string CommonFields(const Entry& entry) {
    std::string common;
    Put16(common, entry.method == zip::kStored ? 10 : 20); // version needed: 1.0, 2.0 for deflate
    Put16(common, HasNonAscii(entry.name) ? zip::kUtf8Flag : 0);
    Put16(common, entry.method);
    Put16(common, entry.time);
    Put16(common, entry.date);
    Put32(common, entry.crc);
    Put32(common, uint32_t(entry.compressedSize));
    Put32(common, uint32_t(entry.size));
    Put16(common, uint16_t(entry.name.size()));
    Put16(common, 0); // no extra field
    return common;
}

std::string LocalHeader(const Entry& entry) {
    std::string local;
    Put32(local, zip::kLocalHeaderSignature);
    return local + CommonFields(entry) + entry.name;
}

std::string DirectoryRecord(const Entry& entry, uint64_t offset) {
    std::string record;
    Put32(record, zip::kFileHeaderSignature);
    // Made by: Unix attributes, version 2.0. Readers convert the names of archives made on
    // MS-DOS from its code page, which would garble UTF-8 names.
    Put16(record, 3 << 8 | 20);
    record += CommonFields(entry);
    Put16(record, 0); // comment
    Put16(record, 0); // disk
    Put16(record, 0); // internal attributes
    bool folder = (entry.mode & 0170000u) == 0040000u;
    Put32(record, entry.mode << 16 | (folder ? zip::kDosDirectoryAttribute : 0));
    Put32(record, uint32_t(offset));
    return record + entry.name;
}

std::string Failure(const char* what) {
    return std::string(what) + " (" + std::strerror(errno) + ")";
}

// Reads a file from where it stands in pieces, with their CRC-32, and tells when it does not
// hold the size it was said to.
class PieceReader {
public:
    PieceReader(FILE* in, uint64_t size, std::vector<char>* buffer)
        : in_(in), size_(size), buffer_(buffer) {}

    // The next piece, none at the end; false with `*problem` told.
    bool Next(const char** piece, size_t* got, std::string* problem) {
        *piece = buffer_->data();
        *got = std::fread(buffer_->data(), 1, buffer_->size(), in_);
        if (std::ferror(in_)) {
            *problem = Failure("cannot be read");
            return false;
        }
        read_ += *got;
        crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(buffer_->data()), uInt(*got));
        if (read_ > size_ || (*got == 0 && read_ != size_)) {
            *problem = "changed size while being read";
            return false;
        }
        return true;
    }
    uint32_t crc() const { return uint32_t(crc_); }

private:
    FILE* in_;
    uint64_t size_, read_ = 0;
    std::vector<char>* buffer_;
    uLong crc_ = crc32(0, nullptr, 0);
};

} // namespace

ZipWriter::ZipWriter(FILE* out, int level)
    : out_(out), level_(level), input_(kPiece), output_(kPiece) {}

bool ZipWriter::Write(const std::string& bytes, std::string* problem) {
    return WriteData(bytes.data(), bytes.size(), problem);
}

bool ZipWriter::WriteData(const char* data, size_t size, std::string* problem) {
    if (std::fwrite(data, 1, size, out_) != size) {
        *problem = Failure("cannot be written");
        return false;
    }
    return true;
}

bool ZipWriter::SeekTo(uint64_t offset, std::string* problem) {
    if (_fseeki64(out_, int64_t(offset), SEEK_SET) != 0) {
        *problem = Failure("cannot be written");
        return false;
    }
    return true;
}

ZipFault ZipWriter::Deflate(FILE* in, uint64_t size, uint64_t limit, bool* smaller, uint32_t* crc,
                            uint64_t* compressedSize, std::string* problem) {
    *smaller = false;
    *compressedSize = 0;
    z_stream stream = {};
    if (deflateInit2(&stream, level_, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return ZipFault::kNone; // stored, then
    }
    PieceReader reader(in, size, &input_);
    ZipFault fault = ZipFault::kNone;
    bool ended = false, fits = true;
    while (!ended && fits && fault == ZipFault::kNone) {
        const char* piece;
        size_t got;
        if (!reader.Next(&piece, &got, problem)) {
            fault = ZipFault::kFile;
            break;
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece));
        stream.avail_in = uInt(got);
        // Every piece goes in whole; at the end of the file the stream is finished.
        fault = DeflatePiece(&stream, got == 0, limit, compressedSize, &fits, &ended, problem);
    }
    deflateEnd(&stream);
    *smaller = ended && fits;
    *crc = reader.crc();
    return fault;
}

ZipFault ZipWriter::DeflatePiece(z_stream_s* stream, bool last, uint64_t limit,
                                 uint64_t* compressedSize, bool* fits, bool* ended,
                                 std::string* problem) {
    do {
        stream->next_out = reinterpret_cast<Bytef*>(output_.data());
        stream->avail_out = uInt(output_.size());
        int result = deflate(stream, last ? Z_FINISH : Z_NO_FLUSH);
        size_t produced = output_.size() - stream->avail_out;
        *fits = result != Z_STREAM_ERROR && *compressedSize + produced < limit;
        if (*fits && !WriteData(output_.data(), produced, problem)) {
            return ZipFault::kArchive;
        }
        *compressedSize += produced;
        *ended = result == Z_STREAM_END;
    } while (*fits && !*ended && stream->avail_out == 0);
    return ZipFault::kNone;
}

ZipFault ZipWriter::Store(FILE* in, uint64_t size, uint32_t* crc, std::string* problem) {
    if (_fseeki64(in, 0, SEEK_SET) != 0) {
        *problem = Failure("cannot be read");
        return ZipFault::kFile;
    }
    PieceReader reader(in, size, &input_);
    const char* piece;
    size_t got = 1;
    while (got != 0) {
        if (!reader.Next(&piece, &got, problem)) {
            return ZipFault::kFile;
        }
        if (!WriteData(piece, got, problem)) {
            return ZipFault::kArchive;
        }
    }
    *crc = reader.crc();
    return ZipFault::kNone;
}

ZipFault ZipWriter::Admit(const std::string& name, uint64_t size, std::string* problem) const {
    if (size > kZipMaxOffset) {
        *problem = "larger than 4 GiB, which the file layer cannot read";
        return ZipFault::kFile;
    }
    if (count_ == kZipMaxFiles) {
        *problem = "more than " + std::to_string(kZipMaxFiles) + " files";
        return ZipFault::kArchive;
    }
    if (name.size() > 0xFFFF) {
        *problem = "a name longer than 65535 bytes";
        return ZipFault::kArchive;
    }
    if (offset_ + zip::kLocalHeaderSize + name.size() > kZipMaxOffset) {
        *problem = kTooLarge;
        return ZipFault::kArchive;
    }
    return ZipFault::kNone;
}

ZipFault ZipWriter::AddFolder(const std::string& name, zip::DosTime time, std::string* problem) {
    ZipFault fault = Admit(name, 0, problem);
    if (fault != ZipFault::kNone) {
        return fault;
    }
    Entry entry{name, time.date, time.time, zip::kStored, 0, 0, 0, kFolderMode};
    if (!Write(LocalHeader(entry), problem)) {
        return ZipFault::kArchive;
    }
    directory_ += DirectoryRecord(entry, offset_);
    offset_ += zip::kLocalHeaderSize + name.size();
    ++count_;
    return ZipFault::kNone;
}

ZipFault ZipWriter::Add(const std::string& name, FILE* in, uint64_t size, zip::DosTime time,
                        bool executable, std::string* problem) {
    ZipFault fault = Admit(name, size, problem);
    if (fault != ZipFault::kNone) {
        return fault;
    }
    const uint64_t dataStart = offset_ + zip::kLocalHeaderSize + name.size();
    const uint64_t room = kZipMaxOffset - dataStart;
    // The local header goes first with its CRC and sizes unknown, and again once they are known.
    Entry entry{name, time.date, time.time, zip::kDeflated,
                0,    0,         size,      executable ? kExecutableMode : kFileMode};
    if (!Write(LocalHeader(entry), problem)) {
        return ZipFault::kArchive;
    }
    bool smaller = false;
    if (level_ > 0 && size > 0) {
        // Deflated data no shorter than the file, or beyond what the archive holds, is given up.
        fault = Deflate(in, size, std::min(size, room + 1), &smaller, &entry.crc,
                        &entry.compressedSize, problem);
    }
    if (fault == ZipFault::kNone && !smaller) {
        if (size > room) {
            *problem = kTooLarge;
            return ZipFault::kArchive;
        }
        entry.method = zip::kStored;
        entry.compressedSize = size;
        fault =
            SeekTo(dataStart, problem) ? Store(in, size, &entry.crc, problem) : ZipFault::kArchive;
    }
    if (fault != ZipFault::kNone) {
        return fault;
    }
    const uint64_t end = dataStart + entry.compressedSize;
    if (!SeekTo(offset_, problem) || !Write(LocalHeader(entry), problem) || !SeekTo(end, problem)) {
        return ZipFault::kArchive;
    }
    directory_ += DirectoryRecord(entry, offset_);
    offset_ = end;
    ++count_;
    return ZipFault::kNone;
}

bool ZipWriter::Finish(std::string* problem) {
    if (offset_ + directory_.size() > kZipMaxOffset) {
        *problem = kTooLarge;
        return false;
    }
    std::string end;
    Put32(end, zip::kEndSignature);
    Put16(end, 0); // this disk
    Put16(end, 0); // the directory's disk
    Put16(end, count_);
    Put16(end, count_);
    Put32(end, uint32_t(directory_.size()));
    Put32(end, uint32_t(offset_));
    Put16(end, 0); // comment
    return Write(directory_, problem) && Write(end, problem);
}
