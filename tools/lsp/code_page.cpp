#include "tools/lsp/code_page.h"

#include <algorithm>
#include <cctype>

namespace {

// 0x80 to 0x9F of Windows-1252; the five bytes it leaves undefined map to the C1 controls of
// the same value, as the system's own conversion does, so that every byte comes back.
const char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CodePointOf(unsigned char byte, CodePage page) {
    if (page == CodePage::kWindows1252 && byte >= 0x80 && byte < 0xA0) {
        return kWindows1252High[byte - 0x80];
    }
    return byte;
}

char ByteOf(char32_t point, CodePage page) {
    if (point < 0x80 || (point < 0x100 && (page == CodePage::kLatin1 || point >= 0xA0))) {
        return char(point);
    }
    if (page == CodePage::kWindows1252) {
        const char16_t* found = std::find(kWindows1252High, kWindows1252High + 32, point);
        if (found != kWindows1252High + 32) {
            return char(0x80 + (found - kWindows1252High));
        }
    }
    return '?';
}

void AppendUtf8(std::string* out, char32_t point) {
    if (point < 0x80) {
        *out += char(point);
    } else if (point < 0x800) {
        *out += char(0xC0 | (point >> 6));
        *out += char(0x80 | (point & 0x3F));
    } else {
        *out += char(0xE0 | (point >> 12));
        *out += char(0x80 | ((point >> 6) & 0x3F));
        *out += char(0x80 | (point & 0x3F));
    }
}

} // namespace

bool CodePageNamed(const std::string& name, CodePage* page) {
    std::string lower = name;
    for (char& c : lower) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    if (lower == "windows-1252" || lower == "cp1252" || lower == "1252") {
        *page = CodePage::kWindows1252;
        return true;
    }
    if (lower == "iso-8859-1" || lower == "latin1" || lower == "28591") {
        *page = CodePage::kLatin1;
        return true;
    }
    return false;
}

std::string ToUtf8(const std::string& bytes, CodePage page) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (char byte : bytes) {
        AppendUtf8(&text, CodePointOf(static_cast<unsigned char>(byte), page));
    }
    return text;
}

char32_t NextCodePoint(const std::string& text, size_t* at) {
    unsigned char lead = static_cast<unsigned char>(text[*at]);
    int length = lead < 0x80                   ? 1
                 : lead >= 0xC2 && lead < 0xE0 ? 2
                 : lead >= 0xE0 && lead < 0xF0 ? 3
                 : lead >= 0xF0 && lead < 0xF5 ? 4
                                               : 0;
    if (length <= 1 || *at + length > text.size()) {
        ++*at;
        return length == 1 ? lead : 0xFFFD;
    }
    char32_t point = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80) {
            ++*at;
            return 0xFFFD;
        }
        point = (point << 6) | (next & 0x3F);
    }
    *at += length;
    return point;
}

std::string FromUtf8(const std::string& text, CodePage page) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        bytes += ByteOf(NextCodePoint(text, &at), page);
    }
    return bytes;
}

std::string MessageAsUtf8(const std::string& message, CodePage page) {
    for (size_t at = 0; at < message.size();) {
        size_t from = at;
        if (NextCodePoint(message, &at) == 0xFFFD && at == from + 1) {
            return ToUtf8(message, page);
        }
    }
    return message;
}
