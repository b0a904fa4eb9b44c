// A ZIP writer for the tests: archives made at test time, the usual ones and the damaged or
// unusual ones that a mount must refuse or pass over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ZipItem {
    ZipItem(std::string name, std::string content, uint16_t method = 8, uint16_t flags = 0,
            std::optional<uint64_t> declaredSize = std::nullopt)
        : name(std::move(name)), content(std::move(content)), method(method), flags(flags),
          declaredSize(declaredSize) {}

    std::string name;
    std::string content;
    // 8: deflated with zlib; 0: stored; any other: the content as it is, under that method.
    uint16_t method;
    uint16_t flags; // general purpose flags: bit 0 marks an encrypted entry
    // The size written for the content instead of its real length.
    std::optional<uint64_t> declaredSize;
    // The bytes written as the entry's data instead of the content's encoding.
    std::optional<std::string> data;
};

inline ZipItem ZipStored(const std::string& name, const std::string& content) {
    return ZipItem(name, content, 0);
}

struct ZipOptions {
    bool zip64 = false; // ZIP64 end records, and every size and offset in ZIP64 extra fields
    std::string comment;
};

// An archive's bytes and where its records lie, for tests that damage them.
struct ZipImage {
    std::string bytes;
    std::vector<size_t> localHeaders; // one per item
    std::vector<size_t> fileHeaders;  // one per item, in the central directory
    size_t directory = 0;             // the central directory's first byte
    size_t zip64End = 0;              // the ZIP64 end record and its locator, when written
    size_t zip64Locator = 0;
    size_t end = 0; // the end record
};

ZipImage MakeZip(const std::vector<ZipItem>& items, const ZipOptions& options = {});

// Little-endian stores into an archive's bytes.
void Put16(std::string& bytes, size_t offset, uint16_t value);
void Put32(std::string& bytes, size_t offset, uint32_t value);
void Put64(std::string& bytes, size_t offset, uint64_t value);
