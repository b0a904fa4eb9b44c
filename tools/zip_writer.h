// Writes a plain ZIP archive (no ZIP64, no data descriptors) that the mount and every common
// unzip tool read: each file deflated with zlib, or stored where deflate does not help. Files
// stream through in pieces, so that memory stays the same whatever their size.
#pragma once

#include "vfs/zip_format.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The most files and the most bytes such an archive holds: the end record counts files in 16
// bits, and the mount wants every offset and size within 32 bits.
const uint32_t kZipMaxFiles = 0xFFFF;
const uint64_t kZipMaxOffset = 0xFFFFFFFE;

// Where a problem lies: in the file being added, or in the archive.
struct z_stream_s;

enum class ZipFault { kNone, kFile, kArchive };

class ZipWriter {
public:
    // Writes to `out`, which stays the caller's and must be seekable; `level` is zlib's, 0 for
    // stored.
    ZipWriter(FILE* out, int level);

    // Adds the `size` bytes that `in` holds from its start, with an MS-DOS date and time, as
    // an executable file or a plain one (the Unix mode that the header records). A
    // file larger than the archive can hold is refused before it is read; one that does not
    // hold `size` bytes when read (it changed meanwhile) is refused. Where deflate does not
    // make it smaller, the file is read again and stored. kNone, or where the problem lies
    // with `*problem` told.
    ZipFault Add(const std::string& name, FILE* in, uint64_t size, zip::DosTime time,
                 bool executable, std::string* problem);
    // Adds a folder: `name` ends with '/', and the entry holds no data.
    ZipFault AddFolder(const std::string& name, zip::DosTime time, std::string* problem);
    // Writes the central directory and the end record.
    bool Finish(std::string* problem);

private:
    // Whether a file of `size` bytes named `name` may go in: kNone, or where the problem lies.
    ZipFault Admit(const std::string& name, uint64_t size, std::string* problem) const;
    bool Write(const std::string& bytes, std::string* problem);
    bool WriteData(const char* data, size_t size, std::string* problem);
    bool SeekTo(uint64_t offset, std::string* problem);
    // Deflates the `size` bytes of `in` into the archive at the current position, with their
    // CRC-32; `*smaller` when they came out shorter than `limit` bytes, else the archive holds
    // part of a stream, to be overwritten.
    ZipFault Deflate(FILE* in, uint64_t size, uint64_t limit, bool* smaller, uint32_t* crc,
                     uint64_t* compressedSize, std::string* problem);
    // Runs the deflate `stream` over the input it holds, to the end of the stream where the
    // piece is the `last`, writing what comes out while it stays below `limit` bytes.
    ZipFault DeflatePiece(z_stream_s* stream, bool last, uint64_t limit, uint64_t* compressedSize,
                          bool* fits, bool* ended, std::string* problem);
    // Copies the `size` bytes of `in`, from its start, into the archive at the current position.
    ZipFault Store(FILE* in, uint64_t size, uint32_t* crc, std::string* problem);

    FILE* out_;
    int level_;
    uint64_t offset_ = 0;
    uint32_t count_ = 0;
    std::string directory_;
    std::vector<char> input_, output_; // one piece of the file, and of the deflate stream
};
