#include "tools/value_lint.h"

#include "script/language.h"

#include <cctype>

namespace {

// A drive ("C:\") at the start, or a backslash before a letter that is no escape: the string
// names a path, where "\n" and "\t" are almost never meant.
bool LooksLikePath(const unsigned char* bytes, uint32_t start, uint32_t end) {
    if (end - start > 4 && std::isalpha(bytes[start + 1]) && bytes[start + 2] == ':' &&
        bytes[start + 3] == '\\') {
        return true;
    }
    for (uint32_t at = start + 1; at + 1 < end; ++at) {
        if (bytes[at] == '\\') {
            unsigned char next = bytes[at + 1];
            if (std::isalpha(next) && next != 'n' && next != 't') {
                return true;
            }
            ++at;
        }
    }
    return false;
}

std::string Escape(unsigned char c) {
    return c > ' ' && c < 0x7F ? std::string("\\") + char(c) : "\\ and a control byte";
}

} // namespace

std::vector<ValueLint> LintString(const unsigned char* bytes, uint32_t start, uint32_t end) {
    std::vector<ValueLint> lints;
    bool path = LooksLikePath(bytes, start, end);
    for (uint32_t at = start + 1; at + 1 < end; ++at) {
        if (bytes[at] != '\\') {
            continue;
        }
        unsigned char next = bytes[at + 1];
        if ((next == 'n' || next == 't') && path) {
            lints.push_back({at, "escape-in-path",
                             "'" + Escape(next) + "' is " + (next == 'n' ? "a line end" : "a tab") +
                                 " here, in what looks like a Windows path: write '\\\\' or '/'"});
        } else if (next != 'n' && next != 't' && next != '"' && next != '\\' &&
                   !IsLineEndByte(next)) {
            lints.push_back({at, "unknown-escape",
                             "'" + Escape(next) +
                                 "' is no escape: the game drops the backslash (escapes are "
                                 "\\n, \\t, \\\" and \\\\)"});
        }
        ++at;
    }
    return lints;
}

std::vector<ValueLint> LintInteger(const unsigned char* bytes, uint32_t start, uint32_t end) {
    uint32_t at = start;
    bool negative = at < end && bytes[at] == '-';
    for (at += negative ? 1 : 0; at < end && !IsDigitByte(bytes[at]); ++at) {
        if (bytes[at] == '/') {
            return {}; // a comment between the sign and the digits: not worth the reading
        }
    }
    uint32_t first = at;
    uint64_t value = 0;
    uint32_t read = 0; // as the parser reads it: modulo 2^32
    for (; at < end && IsDigitByte(bytes[at]); ++at) {
        unsigned digit = bytes[at] - '0';
        value = value > UINT32_MAX ? value : value * 10 + digit;
        read = read * 10u + digit;
    }
    if (value <= (negative ? 2147483648u : 2147483647u)) {
        return {};
    }
    std::string written = (negative ? "-" : "") +
                          std::string(reinterpret_cast<const char*>(bytes) + first, at - first);
    int32_t got = int32_t(negative ? 0u - read : read);
    return {{start, "integer-overflow",
             written + " does not fit 32 bits: the game reads " + std::to_string(got)}};
}
