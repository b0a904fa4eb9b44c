// Writes a plain ZIP archive (no ZIP64, no data descriptors) that the mount and every common
// unzip tool read: each file deflated with zlib, or stored where deflate does not help.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The most files and the most bytes such an archive holds: the end record counts files in 16
// bits, and the mount wants every offset and size within 32 bits.
const uint32_t kZipMaxFiles = 0xFFFF;
const uint64_t kZipMaxOffset = 0xFFFFFFFE;

class ZipWriter {
public:
    // Writes to `out`, which stays the caller's; `level` is zlib's, 0 for stored.
    ZipWriter(FILE* out, int level) : out_(out), level_(level) {}

    // Adds a file with an MS-DOS date and time; false with `*problem` told when it would not
    // fit the archive or cannot be written.
    bool Add(const std::string& name, const std::string& content, uint16_t date, uint16_t time,
             std::string* problem);
    // Writes the central directory and the end record.
    bool Finish(std::string* problem);

private:
    FILE* out_;
    int level_;
    uint64_t offset_ = 0;
    uint32_t count_ = 0;
    std::string directory_;
};
