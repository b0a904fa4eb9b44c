// A ZIP writer for tests, benchmarks and fuzz targets: archives made at run time, too large or
// too many to keep as files, and entries whose data or claimed size is not what the content
// needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ZipItem {
    ZipItem(std::string name, std::string content, uint16_t method = 8)
        : name(std::move(name)), content(std::move(content)), method(method) {}

    std::string name;
    std::string content;
    // 8: deflated with zlib; 0: stored; any other: the content as it is, under that method.
    uint16_t method;
    // The size written for the content instead of its real length.
    std::optional<uint64_t> declaredSize;
    // The bytes written as the entry's data instead of the content's encoding.
    std::optional<std::string> data;
};

inline ZipItem ZipStored(const std::string& name, const std::string& content) {
    return ZipItem(name, content, 0);
}

struct ZipImage {
    std::string bytes;
};

// No ZIP64 records are written: beyond 65535 items the end record's 16-bit count wraps, as it
// did in writers without them.
ZipImage MakeZip(const std::vector<ZipItem>& items);
