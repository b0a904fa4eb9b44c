#include "script/language.h"

TextPlace PlaceOf(const unsigned char* bytes, uint32_t size, uint32_t at) {
    if (at > size) {
        at = size;
    }
    TextPlace place{1, 1};
    uint32_t lineStart = 0;
    for (uint32_t i = 0; i < at; ++i) {
        place.line += EndsLine(bytes, i);
        lineStart = IsLineEndByte(bytes[i]) ? i + 1 : lineStart;
    }
    place.column = int32_t(at - lineStart + 1);
    return place;
}

int32_t LiteralKindAt(const unsigned char* bytes, uint32_t size, uint32_t at) {
    if (at >= size) {
        return -1;
    }
    if (bytes[at] == '"') {
        return kStringKind;
    }
    if (bytes[at] != '-' && !IsDigitByte(bytes[at])) {
        return -1;
    }
    for (++at; at < size && IsDigitByte(bytes[at]); ++at) {
    }
    return at < size && bytes[at] == '.' ? kFloatKind : kIntKind;
}

int32_t KindOfLetter(int c) {
    switch (c) {
    case 'i':
    case 'I':
    case 'n':
    case 'N':
        return kIntKind;
    case 'f':
    case 'F':
        return kFloatKind;
    case 's':
    case 'S':
        return kStringKind;
    default:
        return -1;
    }
}

char KindLetter(int32_t kind) {
    return kind == kIntKind ? 'i' : kind == kFloatKind ? 'f' : 's';
}

const char* KindName(int32_t kind) {
    return kind == kIntKind ? "int" : kind == kFloatKind ? "float" : "string";
}
