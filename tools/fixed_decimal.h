// A float written in fixed notation, with no exponent, as the dump writes its literals. Made
// with the C library's exact printf and strtof, which every target has, rather than with
// std::to_chars for floats, which some C++ libraries lack.
#pragma once

#include <optional>
#include <string>

// The fewest significant digits that read back (by strtof) as `value`, padded with zeros to
// fixed notation: 1e30f is "1000000000000000000000000000000", 0.1f is "0.1". Infinities and
// not-a-numbers are "inf", "-inf", "nan" and "-nan".
std::string ShortestFixed(float value);

// `value` rounded exactly to `precision` digits after the point, or nothing when that takes
// more than `limit` characters.
std::optional<std::string> FixedWithPrecision(float value, int precision, size_t limit);
