#include "tools/source_place.h"

#include <algorithm>
#include <cctype>

namespace {

// The line of byte `at`, counted from the scanner's line at its read position.
int32_t LineOf(const ScriptSource& source, uint32_t at) {
    int32_t line = source.line;
    for (uint32_t i = at; i < source.position; ++i) {
        line -= EndsLine(source.buffer, i);
    }
    for (uint32_t i = source.position; i < at; ++i) {
        line += EndsLine(source.buffer, i);
    }
    return line;
}

bool IsWordByte(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '.';
}

// Just after the token at `at`, within its line: a quoted string up to its closing quote, a
// word or number (with its sign), else one byte; `at` itself at the end of the file.
uint32_t TokenEnd(const unsigned char* bytes, uint32_t size, uint32_t at) {
    if (at >= size) {
        return at;
    }
    uint32_t end = at + 1;
    if (bytes[at] == '"') {
        while (end < size && !IsLineEndByte(bytes[end]) && bytes[end] != '"') {
            end += bytes[end] == '\\' && end + 1 < size && !IsLineEndByte(bytes[end + 1]) ? 2 : 1;
        }
        return end < size && bytes[end] == '"' ? end + 1 : end;
    }
    if (IsWordByte(bytes[at]) || bytes[at] == '-' || bytes[at] == '+') {
        while (end < size && IsWordByte(bytes[end])) {
            ++end;
        }
    }
    return end;
}

} // namespace

SourcePlace PlaceInSource(const ScriptSource& source, uint32_t at, int32_t knownLine) {
    const unsigned char* bytes = source.buffer;
    at = std::min(at, source.size);
    int32_t line = knownLine != 0 ? knownLine : LineOf(source, at);
    uint32_t start = at, end = at;
    while (start > 0 && !IsLineEndByte(bytes[start - 1])) {
        --start;
    }
    while (end < source.size && !IsLineEndByte(bytes[end])) {
        ++end;
    }
    uint32_t tokenEnd = bytes ? TokenEnd(bytes, source.size, at) : at;
    SourcePlace place{int(line), int(at - start + 1), int(tokenEnd - start + 1), ""};
    if (bytes) {
        place.lineText.assign(reinterpret_cast<const char*>(bytes) + start, end - start);
    }
    return place;
}
