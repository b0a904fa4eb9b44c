#include "tools/source_place.h"

#include "tools/source_scan.h"

#include <algorithm>

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
    uint32_t tokenEnd = bytes ? ValueEnd(bytes, source.size, at) : at;
    SourcePlace place{int(line), int(at - start + 1), int(tokenEnd - start + 1), ""};
    if (bytes) {
        place.lineText.assign(reinterpret_cast<const char*>(bytes) + start, end - start);
    }
    return place;
}

std::string WrittenAt(const ScriptSource& source, uint32_t at, const std::string& name) {
    if (at > source.size || name.size() > source.size - at) {
        return name;
    }
    return std::string(reinterpret_cast<const char*>(source.buffer) + at, name.size());
}
