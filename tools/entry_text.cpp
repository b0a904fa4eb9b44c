#include "tools/entry_text.h"

#include <cstdio>

namespace {

bool Wide(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
        size_t j = 1;
        for (; j < length && i + j < text.size() && (text[i + j] & 0xC0) == 0x80; ++j) {
            c = c << 6 | (text[i + j] & 0x3F);
        }
        if (j < length) { // not UTF-8: one column a byte
            j = 1;
            c = 0;
        }
        width += Wide(c) ? 2 : 1;
        i += j;
    }
    return width;
}

std::string MethodName(uint16_t method) {
    switch (method) {
    case 0:
        return "stored";
    case 8:
        return "deflated";
    case 9:
        return "deflate64";
    case 12:
        return "bzip2";
    case 14:
        return "lzma";
    case 93:
        return "zstd";
    case 95:
        return "xz";
    case 98:
        return "ppmd";
    case 99:
        return "aes";
    }
    return "method " + std::to_string(method);
}

std::string DosDateTime(uint16_t date, uint16_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", 1980u + (date >> 9),
                  (date >> 5) & 15u, date & 31u, time >> 11, (time >> 5) & 63u);
    return text;
}

std::string WhyNotServed(const ListedEntry& listed) {
    switch (listed.service) {
    case kServed:
        return "";
    case kDirectoryEntry:
        return "directory";
    case kEncryptedEntry:
        return "encrypted";
    case kUnsupportedMethod:
        return MethodName(listed.header->method);
    case kUnnamedEntry:
        return "no usable name";
    }
    return "";
}
