// The facts of the script language that everything reading its text shares: which bytes make a
// word, which end a line, where an offset lies as a line and column, and the kind letters of
// declarations with the names of the kinds.
#pragma once

#include "script/value.h"

#include <cstdint>

// Letters, digits and underscores make keywords and constant names.
inline bool IsWordByte(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Digits make numbers, which start with one or with a minus sign.
inline bool IsDigitByte(int c) {
    return c >= '0' && c <= '9';
}

// A byte that ends a line's text, as reports show it.
inline bool IsLineEndByte(int c) {
    return c == '\r' || c == '\n';
}

// Whether the byte at `at` counts as a line end: every CR, and every LF that does not directly
// follow a CR.
inline bool EndsLine(const unsigned char* bytes, uint32_t at) {
    unsigned char c = bytes[at];
    return c <= '\r' && (c == '\r' || (c == '\n' && (at == 0 || bytes[at - 1] != '\r')));
}

// The line and the column (the bytes since the line's start, plus one) of an offset, both
// counted from 1. An offset past the end stands for the end.
struct TextPlace {
    int32_t line;
    int32_t column;
};
TextPlace PlaceOf(const unsigned char* bytes, uint32_t size, uint32_t at);

// The kind of the literal written at `at`: a string at its quote, a number at its sign or first
// digit (a decimal one when a point follows the digits), -1 for anything else, such as the name
// of a constant.
int32_t LiteralKindAt(const unsigned char* bytes, uint32_t size, uint32_t at);

// The kind a declaration letter stands for (i or n, f, s, in either case), or -1.
int32_t KindOfLetter(int c);
// The letter a declaration writes for a kind, and its name in reports.
char KindLetter(int32_t kind);
const char* KindName(int32_t kind);
