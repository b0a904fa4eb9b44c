// What the game reads differently from what a value seems to say, found in the value's text:
// an escape it drops the backslash of, a line end or tab in what looks like a Windows path, an
// integer too big for 32 bits. Each reads only the value's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ValueLint {
    uint32_t at; // the culprit's offset in the text
    const char* code;
    std::string message;
};

// The string literal whose quote is at `start` and that ends before `end`.
std::vector<ValueLint> LintString(const unsigned char* bytes, uint32_t start, uint32_t end);

// The integer literal from `start` to `end`: a lint when it does not fit 32 bits.
std::vector<ValueLint> LintInteger(const unsigned char* bytes, uint32_t start, uint32_t end);
