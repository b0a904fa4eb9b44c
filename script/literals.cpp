// The literal readers: integers, decimal numbers and double-quoted strings at the read
// position, or the name of a constant of the same kind.
#include "script/source.h"

#include "platform/win32.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The bytes that may end a number: tab, line feed, carriage return, space, ')' and ','.
bool IsNumberTerminator(int c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ')' || c == ',';
}

// Adds the digits from `at` on to `*mantissa` as the format does, mantissa * 10.0 + digit in
// double precision each, and gives the position after them. Below 2^53 every such step is
// exact, so while the sum stays under 10^15 an integer sum gives the same value without a chain
// of floating-point latencies.
uint32_t AccumulateDigits(const unsigned char* bytes, uint32_t at, uint32_t size,
                          double* mantissa) {
    double sum = *mantissa;
    if (sum < 1e15) { // then an integer: every earlier step was exact
        uint64_t exact = uint64_t(sum);
        for (; at < size && IsDigitByte(bytes[at]) && exact < 100000000000000u; ++at) {
            exact = exact * 10u + uint64_t(bytes[at] - '0');
        }
        sum = double(exact);
    }
    for (; at < size && IsDigitByte(bytes[at]); ++at) {
        sum = sum * 10.0 + double(bytes[at] - '0');
    }
    *mantissa = sum;
    return at;
}

// The scale of a fraction of `digits` digits: 1.0 multiplied by 0.1 once per digit, in double
// precision, as the format does. The first products are kept, made by the same steps.
double FractionScale(uint32_t digits) {
    static const struct Scales {
        double of[24];
        Scales() {
            of[0] = 1.0;
            for (size_t digits = 1; digits < sizeof of / sizeof of[0]; ++digits) {
                of[digits] = of[digits - 1] * 0.1;
            }
        }
    } scales;
    const uint32_t kept = sizeof scales.of / sizeof scales.of[0] - 1;
    double scale = scales.of[digits < kept ? digits : kept];
    for (uint32_t more = kept; more < digits; ++more) {
        scale = scale * 0.1;
    }
    return scale;
}

} // namespace

ScriptEntry* ScriptSource::FindConst(const char* word) const {
    PaddedName name = {};
    size_t length = std::strlen(word);
    if (length >= sizeof name) {
        return nullptr; // longer than any name can be
    }
    std::memcpy(name, word, length + 1);
    _strlwr(name);
    return constantsByName_.Find(name);
}

bool ScriptSource::AddConstant(ScriptEntry* constant) {
    _strlwr(constant->name);
    if (!constantsByName_.Push(constant)) { // hides an older one of the name
        return false;
    }
    constant->next = constants_;
    constants_ = constant;
    return true;
}

void ScriptSource::TakeConstants(ScriptSource& other) {
    constants_ = other.constants_;
    other.constants_ = nullptr;
    constantsByName_.Swap(other.constantsByName_);
}

ScriptValue* ScriptSource::ReadConstant(int32_t kind, int32_t* error) {
    uint32_t start = position;
    char word[32];
    *error = ReadWord(word, sizeof word);
    if (*error != 0) {
        return nullptr;
    }
    const ScriptEntry* constant = FindConst(word);
    if (!constant) {
        Report(kReportUnknownConst, start, word);
        *error = 1;
        return nullptr;
    }
    const ScriptValue* value = constant->values;
    if (!value || value->kind != kind) {
        *error = 1;
        Report(kReportConstKind, start, word, KindName(kind));
        return nullptr;
    }
    switch (kind) {
    case kIntKind:
        return new (std::nothrow) IntValue(static_cast<const IntValue*>(value)->value);
    case kFloatKind:
        return new (std::nothrow) FloatValue(static_cast<const FloatValue*>(value)->value);
    default:
        return new (std::nothrow) StringValue(static_cast<const StringValue*>(value)->text);
    }
}

IntValue* ScriptSource::ParseIntLiteral(int32_t* error) {
    int c = GetChar();
    bool negative = c == '-';
    if (negative) {
        SkipBlanks(); // blanks and comments may stand between the sign and the digits
    } else {
        if (c != -1) {
            UngetChar();
        }
        if (!IsDigitByte(c)) {
            return static_cast<IntValue*>(ReadConstant(kIntKind, error));
        }
    }
    // Digits are no line ends, so they are read straight from the buffer.
    uint32_t accumulator = 0; // wraps modulo 2^32, as the format has always done
    uint32_t first = position;
    for (; position < size && IsDigitByte(buffer[position]); ++position) {
        accumulator = accumulator * 10u + uint32_t(buffer[position] - '0');
    }
    bool anyDigit = position != first;
    uint32_t terminator = position;
    int t = GetChar();
    if (!anyDigit) {
        *error = 1;
        Report(kReportExpectedNumber, first);
        return nullptr;
    }
    if (!IsNumberTerminator(t)) {
        *error = 1;
        Report(kReportIntTermination, terminator);
        return nullptr;
    }
    UngetChar();
    if (negative) {
        accumulator = 0u - accumulator;
    }
    return new (std::nothrow) IntValue(int32_t(accumulator));
}

// The arithmetic is part of the format: each digit is accumulated in double precision and
// the fraction scaled by repeated multiplication with 0.1, so values can differ from a
// correctly rounded conversion, and must stay as they are.
FloatValue* ScriptSource::ParseFloatLiteral(int32_t* error) {
    int c = GetChar();
    bool negative = c == '-';
    if (negative) {
        SkipBlanks();
    } else {
        if (c != -1) {
            UngetChar();
        }
        if (!IsDigitByte(c)) {
            return static_cast<FloatValue*>(ReadConstant(kFloatKind, error));
        }
    }
    double mantissa = 0.0;
    uint32_t first = position;
    position = AccumulateDigits(buffer, position, size, &mantissa);
    bool anyDigit = position != first;
    uint32_t terminator = position;
    int t = GetChar();
    if (!anyDigit) {
        *error = 1;
        Report(kReportExpectedNumber, first);
        return nullptr;
    }
    double result = mantissa;
    if (t == '.') {
        uint32_t fraction = position;
        position = AccumulateDigits(buffer, position, size, &mantissa);
        terminator = position;
        t = GetChar();
        result = FractionScale(terminator - fraction) * mantissa;
    }
    if (!IsNumberTerminator(t)) {
        *error = 1;
        Report(kReportFloatTermination, terminator);
        return nullptr;
    }
    UngetChar();
    if (negative) {
        result = -result;
    }
    return new (std::nothrow) FloatValue(float(result));
}

StringValue* ScriptSource::ParseStringLiteral(int32_t* error) {
    int c = GetChar();
    if (c != '"') {
        if (c != -1) {
            UngetChar();
        }
        return static_cast<StringValue*>(ReadConstant(kStringKind, error));
    }
    uint32_t opening = position - 1;
    // No escape gives more bytes than it reads, so the rest of the file bounds the text.
    uint32_t needed = size - position + 1;
    if (needed > scratchCapacity_) {
        char* grown = static_cast<char*>(std::realloc(scratch_, needed));
        if (!grown) {
            *error = 1;
            Report(kReportOutOfMemory, opening);
            return nullptr;
        }
        scratch_ = grown;
        scratchCapacity_ = needed;
    }
    uint32_t length = 0;
    for (;;) {
        int b = GetChar();
        if (b == '"') {
            break;
        }
        if (b == '\\') {
            b = GetChar();
            if (b == '\r' || b == '\n') {
                // A backslash before a line end keeps one line-end byte: CR LF gives LF, LF CR
                // gives CR, a lone one gives itself.
                int pair = b == '\r' ? '\n' : '\r';
                int after = GetChar();
                if (after == pair) {
                    b = pair;
                } else if (after != -1) {
                    UngetChar();
                }
            } else if (b == 'n') {
                scratch_[length++] = '\r';
                b = '\n';
            } else if (b == 't') {
                b = '\t';
            }
        }
        if (b == -1) {
            *error = 1;
            Report(kReportUnterminatedString, opening);
            return nullptr;
        }
        scratch_[length++] = char(b);
    }
    scratch_[length] = '\0';
    return new (std::nothrow) StringValue(scratch_);
}
