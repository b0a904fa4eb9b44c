#include "tools/statement_span.h"

#include <cctype>
#include <cstring>

namespace {

// Just after the string whose quote is at `at`, its escapes skipped; `size` when unclosed.
uint32_t AfterString(const unsigned char* bytes, uint32_t size, uint32_t at) {
    for (++at; at < size && bytes[at] != '"'; ++at) {
        at += bytes[at] == '\\' ? 1 : 0;
    }
    return at < size ? at + 1 : size;
}

// Just after the comment that starts at `at`, or `at` when none does; `size` when unclosed.
uint32_t AfterComment(const unsigned char* bytes, uint32_t size, uint32_t at) {
    if (at + 1 >= size || bytes[at] != '/') {
        return at;
    }
    if (bytes[at + 1] == '/') {
        const void* feed = std::memchr(bytes + at, '\n', size - at);
        return feed ? uint32_t(static_cast<const unsigned char*>(feed) - bytes) + 1 : size;
    }
    if (bytes[at + 1] == '*') {
        for (uint32_t end = at + 2; end + 1 < size; ++end) {
            if (bytes[end] == '*' && bytes[end + 1] == '/') {
                return end + 2;
            }
        }
        return size;
    }
    return at;
}

uint32_t AfterBlanks(const unsigned char* bytes, uint32_t size, uint32_t at) {
    while (at < size) {
        uint32_t after = AfterComment(bytes, size, at);
        if (after != at) {
            at = after;
        } else if (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' ||
                   bytes[at] == '\n') {
            ++at;
        } else {
            break;
        }
    }
    return at;
}

// Just after the bracket or brace that closes the one at `at`, strings and comments skipped;
// `size` when none does.
uint32_t AfterClosing(const unsigned char* bytes, uint32_t size, uint32_t at) {
    unsigned char open = bytes[at], close = open == '(' ? ')' : '}';
    uint64_t depth = 0;
    while (at < size) {
        uint32_t after = AfterComment(bytes, size, at);
        if (after != at) {
            at = after;
            continue;
        }
        if (bytes[at] == '"') {
            at = AfterString(bytes, size, at);
            continue;
        }
        depth += bytes[at] == open ? 1 : 0;
        if (bytes[at] == close && --depth == 0) {
            return at + 1;
        }
        ++at;
    }
    return size;
}

// Just after the statement that starts at `start`. One that does not start as a statement
// does ("!", "$" or neither, a name, '(') runs to the end of its line.
uint32_t StatementEnd(const unsigned char* bytes, uint32_t size, uint32_t start) {
    if (bytes[start] == '}' || bytes[start] == ';' || bytes[start] == '{') {
        return start + 1;
    }
    uint32_t at = start + (bytes[start] == '!' || bytes[start] == '$' ? 1 : 0);
    uint32_t name = at;
    while (at < size && (std::isalnum(bytes[at]) || bytes[at] == '_')) {
        ++at;
    }
    while (at < size && (bytes[at] == ' ' || bytes[at] == '\t')) {
        ++at;
    }
    if (at == name || at >= size || bytes[at] != '(') {
        while (at < size && bytes[at] != '\n') {
            ++at;
        }
        return at;
    }
    uint32_t end = AfterClosing(bytes, size, at);
    uint32_t next = AfterBlanks(bytes, size, end);
    return next < size && bytes[next] == '{' ? AfterClosing(bytes, size, next) : end;
}

} // namespace

std::optional<StatementSpan> StatementAt(const unsigned char* bytes, uint32_t size, uint32_t at) {
    for (uint32_t start = AfterBlanks(bytes, size, 0); start < size;) {
        uint32_t end = StatementEnd(bytes, size, start);
        end = end > start ? end : start + 1; // every step moves on
        if (at < end) {
            return StatementSpan{start, end, bytes[start]};
        }
        start = AfterBlanks(bytes, size, end);
    }
    return std::nullopt;
}
