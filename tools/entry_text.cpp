#include "tools/entry_text.h"

#include "vfs/zip_format.h"

#include <cstdio>

namespace {

bool Wide(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The character that starts at `text[at]` in `*c`, and its length in bytes; a byte that does
// not start a whole UTF-8 sequence stands alone, as character 0.
size_t NextCharacter(const std::string& text, size_t at, uint32_t* c) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    *c = length == 1 ? lead : lead & (0x7F >> length);
    size_t j = 1;
    for (; j < length && at + j < text.size() && (text[at + j] & 0xC0) == 0x80; ++j) {
        *c = *c << 6 | (text[at + j] & 0x3F);
    }
    if (j < length) {
        *c = 0;
        return 1;
    }
    return j;
}

} // namespace

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        uint32_t c;
        i += NextCharacter(text, i, &c); // not UTF-8: one column a byte
        width += Wide(c) ? 2 : 1;
    }
    return width;
}

std::string MethodName(uint16_t method) {
    switch (method) {
    case zip::kStored:
        return "stored";
    case zip::kDeflated:
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
    zip::CalendarTime t = zip::ToCalendarTime({date, time});
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", t.year, t.month, t.day, t.hour,
                  t.minute);
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
