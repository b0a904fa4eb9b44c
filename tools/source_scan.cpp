#include "tools/source_scan.h"

#include "script/language.h"

#include <cctype>
#include <cstring>

namespace {

bool IsWordByte(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '.';
}

uint32_t SkipSpaces(const unsigned char* bytes, uint32_t size, uint32_t at) {
    while (at < size && (bytes[at] == ' ' || bytes[at] == '\t')) {
        ++at;
    }
    return at;
}

// Just after the string whose quote is at `at`, its escapes skipped; `size` when unclosed.
uint32_t StringEnd(const unsigned char* bytes, uint32_t size, uint32_t at, bool oneLine) {
    for (++at; at < size && bytes[at] != '"'; ++at) {
        if (oneLine && IsLineEndByte(bytes[at])) {
            return at;
        }
        at += bytes[at] == '\\' && at + 1 < size ? 1 : 0;
    }
    return at < size ? at + 1 : size;
}

} // namespace

uint32_t ValueEnd(const unsigned char* bytes, uint32_t size, uint32_t at) {
    if (at >= size) {
        return at;
    }
    if (bytes[at] == '"') {
        return StringEnd(bytes, size, at, true);
    }
    uint32_t end = at + 1;
    if (IsWordByte(bytes[at]) || bytes[at] == '-' || bytes[at] == '+') {
        while (end < size && IsWordByte(bytes[end])) {
            ++end;
        }
    }
    return end;
}

uint32_t WordLength(const unsigned char* bytes, uint32_t size, uint32_t at) {
    uint32_t end = at;
    while (end < size && (std::isalnum(bytes[end]) || bytes[end] == '_')) {
        ++end;
    }
    return end - at;
}

int ArgumentsAfter(const unsigned char* bytes, uint32_t size, uint32_t comma) {
    int count = 1;
    for (uint32_t at = comma + 1; at < size && !IsLineEndByte(bytes[at]);) {
        if (bytes[at] == ')') {
            return count;
        }
        count += bytes[at] == ',' ? 1 : 0;
        at = bytes[at] == '"' ? StringEnd(bytes, size, at, true) : at + 1;
    }
    return -1;
}

std::string DeclarationFor(const unsigned char* bytes, uint32_t size, uint32_t at,
                           const std::string& name) {
    uint32_t next = SkipSpaces(bytes, size, at + uint32_t(name.size()));
    if (next >= size || bytes[next] != '(') {
        return "";
    }
    std::string letters;
    next = SkipSpaces(bytes, size, next + 1);
    while (next < size && bytes[next] != ')' && letters.size() < 2 * 255) {
        int32_t kind = LiteralKindAt(bytes, size, next);
        if (kind < 0) {
            return "";
        }
        letters += std::string(letters.empty() ? "" : ", ") + KindLetter(kind);
        next = SkipSpaces(bytes, size, ValueEnd(bytes, size, next));
        if (next < size && bytes[next] == ',') {
            next = SkipSpaces(bytes, size, next + 1);
        } else if (next >= size || bytes[next] != ')') {
            return "";
        }
    }
    return next < size && bytes[next] == ')' ? "!" + name + "(" + letters + ")" : "";
}

int64_t UnclosedCommentAt(const unsigned char* bytes, uint32_t size) {
    for (uint32_t at = 0; at < size;) {
        if (bytes[at] == '"') {
            at = StringEnd(bytes, size, at, false);
        } else if (bytes[at] == '/' && at + 1 < size && bytes[at + 1] == '/') {
            const void* feed = std::memchr(bytes + at, '\n', size - at);
            at = feed ? uint32_t(static_cast<const unsigned char*>(feed) - bytes) + 1 : size;
        } else if (bytes[at] == '/' && at + 1 < size && bytes[at + 1] == '*') {
            uint32_t end = at + 2;
            while (end + 1 < size && !(bytes[end] == '*' && bytes[end + 1] == '/')) {
                ++end;
            }
            if (end + 1 >= size) {
                return at;
            }
            at = end + 2;
        } else {
            ++at;
        }
    }
    return -1;
}
