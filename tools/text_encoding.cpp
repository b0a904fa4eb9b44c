#include "tools/text_encoding.h"

#include <cstdint>

namespace {

// Windows-1252 from 0x80 to 0x9F; 0: undefined.
const uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string* text, uint32_t code) {
    if (code < 0x80) {
        *text += char(code);
    } else if (code < 0x800) {
        *text += char(0xC0 | (code >> 6));
        *text += char(0x80 | (code & 0x3F));
    } else {
        *text += char(0xE0 | (code >> 12));
        *text += char(0x80 | ((code >> 6) & 0x3F));
        *text += char(0x80 | (code & 0x3F));
    }
}

} // namespace

size_t Utf8Length(const std::string& text, size_t at) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (size_t next = 1; next < length; ++next) {
        if ((static_cast<unsigned char>(text[at + next]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

std::string Windows1252AsUtf8(const std::string& text) {
    std::string utf8;
    for (size_t at = 0; at < text.size();) {
        size_t length = Utf8Length(text, at);
        if (length > 0) {
            utf8.append(text, at, length);
            at += length;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(text[at++]);
        uint32_t code = c >= 0xA0 ? c : kHighControls[c - 0x80];
        AppendUtf8(&utf8, code != 0 ? code : '?');
    }
    return utf8;
}
