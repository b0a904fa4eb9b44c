#include "tools/fixed_decimal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Enough digits after the point for "%e" to write any float exactly.
const int kExactDigits = 150;
// Nine significant digits tell any two floats apart.
const size_t kMostSignificantDigits = 9;
// From here on every float is a whole number, written out in full.
const float kAllWhole = 16777216.0f;

// A positive decimal: its significant digits, the first one times ten to the `exponent`.
struct Decimal {
    std::string digits;
    int exponent;
};

// The exact decimal of a positive float.
Decimal Exact(float value) {
    char text[kExactDigits + 16];
    std::snprintf(text, sizeof text, "%.*e", kExactDigits, double(value));
    const char* e = std::strchr(text, 'e');
    Decimal exact{std::string(1, text[0]) + std::string(text + 2, size_t(e - text - 2)),
                  std::atoi(e + 1)};
    return exact;
}

// `decimal` plus one unit of its last digit.
Decimal NextUp(Decimal decimal) {
    size_t at = decimal.digits.size();
    while (at > 0 && decimal.digits[at - 1] == '9') {
        decimal.digits[--at] = '0';
    }
    if (at == 0) {
        decimal.digits.insert(decimal.digits.begin(), '1');
        decimal.digits.pop_back();
        ++decimal.exponent;
    } else {
        ++decimal.digits[at - 1];
    }
    return decimal;
}

bool ReadsBack(const Decimal& decimal, float value) {
    std::string text =
        decimal.digits + "e" + std::to_string(decimal.exponent - int(decimal.digits.size()) + 1);
    return std::strtof(text.c_str(), nullptr) == value;
}

// The fewest digits that read back as the positive `value`; of two such, the nearer. Nine
// digits always do, so the nearer of nine is the last resort.
Decimal Shortest(float value) {
    Decimal exact = Exact(value);
    for (size_t count = 1;; ++count) {
        Decimal below{exact.digits.substr(0, count), exact.exponent};
        std::string rest = exact.digits.substr(count);
        if (rest.find_first_not_of('0') == std::string::npos) {
            return below; // exact in `count` digits
        }
        Decimal above = NextUp(below);
        bool belowReads = ReadsBack(below, value), aboveReads = ReadsBack(above, value);
        if ((belowReads && aboveReads) || count == kMostSignificantDigits) {
            std::string half = "5" + std::string(rest.size() - 1, '0');
            int side = rest.compare(half);
            bool evenBelow = (below.digits.back() - '0') % 2 == 0;
            return side < 0 || (side == 0 && evenBelow) ? below : above;
        }
        if (belowReads || aboveReads) {
            return belowReads ? below : above;
        }
    }
}

// The decimal written out in fixed notation, without trailing zeros after the point.
std::string Place(Decimal decimal) {
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0') {
        decimal.digits.pop_back();
    }
    if (decimal.exponent < 0) {
        return "0." + std::string(size_t(-decimal.exponent - 1), '0') + decimal.digits;
    }
    size_t whole = size_t(decimal.exponent) + 1;
    if (decimal.digits.size() <= whole) {
        return decimal.digits + std::string(whole - decimal.digits.size(), '0');
    }
    return decimal.digits.substr(0, whole) + "." + decimal.digits.substr(whole);
}

} // namespace

std::string ShortestFixed(float value) {
    std::string sign = std::signbit(value) ? "-" : "";
    float size = std::fabs(value);
    if (std::isinf(value) || std::isnan(value)) {
        return sign + (std::isinf(value) ? "inf" : "nan");
    }
    if (size == 0) {
        return sign + "0";
    }
    if (size >= kAllWhole) {
        // Every fixed form of a whole number this large is as long as the next: the exact
        // one is the nearest.
        return *FixedWithPrecision(value, 0, 64);
    }
    return sign + Place(Shortest(size));
}

std::optional<std::string> FixedWithPrecision(float value, int precision, size_t limit) {
    int length = std::snprintf(nullptr, 0, "%.*f", precision, double(value));
    if (length < 0 || size_t(length) > limit) {
        return std::nullopt;
    }
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%.*f", precision, double(value));
    text.pop_back();
    return text;
}
