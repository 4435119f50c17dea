// Number syntax of OFF text: integers as C's atoi reads them, reals as atof reads them with
// a 'd'/'D' exponent allowed, always with a point as decimal separator (locale-independent).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// Reads an integer the way atoi does: leading white space, an optional sign, decimal digits,
// stopping at the first other character; no digits reads as 0. Saturates at the int range.
int ParseOffInt(std::string_view token);

// What ParseOffReal found.
enum class RealStatus { kOk, kOverflow };

// Reads a real the way atof does: leading white space, an optional sign, digits with an
// optional point and fraction, an optional exponent introduced by e, E, d or D; stops at the
// first other character; no digits reads as 0. A magnitude beyond the double range is
// kOverflow; one too small for a double reads as zero of its sign.
RealStatus ParseOffReal(std::string_view token, double& value);

// Appends value in "%f" form (six decimals, '-' for negatives) without using the locale.
void AppendFixed6(std::string& out, double value);
// Appends an int in "%d" form.
void AppendInt(std::string& out, int value);

}  // namespace quorvane
