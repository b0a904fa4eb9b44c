// Where the statement that holds a byte of a configuration file starts and ends, read from the
// text alone: a call with its block, a declaration, a '}' or a ';'. Checking blanks a faulty
// statement to read on past it, so a span errs on the long side: it never ends inside a
// string, a comment, the brackets of a call or the braces of its block.
#pragma once

#include <cstdint>
#include <optional>

struct StatementSpan {
    uint32_t start, end; // end: where the next statement may start
    unsigned char first; // its first byte: '!', '$', a letter, ...
};

// The top-level statement that holds byte `at`, its block included; none when `at` lies in
// blanks or comments after the last statement.
std::optional<StatementSpan> StatementAt(const unsigned char* bytes, uint32_t size, uint32_t at);
