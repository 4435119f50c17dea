#include "model/numbers.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <system_error>

namespace quorvane {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index of the first character that is not leading white space.
std::size_t SkipSpace(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) {
        ++i;
    }
    return i;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common short numbers without from_chars: when the digits of token[begin, end) (a point
// among them) form an integer m below 2^53 and the decimal exponent lies within +-22, m and the
// power of ten are exact doubles, so one multiplication or division rounds exactly as the full
// conversion does. False when the number is not of that kind.
bool ReadShortReal(std::string_view token, std::size_t begin, std::size_t end, std::size_t digits,
                   std::size_t fracDigits, long long exponent, bool negative, double& value) {
    if (digits > 15) {
        return false;  // 10^15 < 2^53: fifteen digits always fit
    }
    std::uint64_t m = 0;
    for (std::size_t k = begin; k < end; ++k) {
        if (token[k] != '.') {
            m = m * 10 + static_cast<std::uint64_t>(token[k] - '0');
        }
    }
    const long long e10 = exponent - static_cast<long long>(fracDigits);
    if (e10 < -22 || e10 > 22) {
        return false;
    }
    const double mantissa = static_cast<double>(m);
    const double magnitude =
        e10 >= 0 ? mantissa * kExactPowersOfTen[e10] : mantissa / kExactPowersOfTen[-e10];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

int ParseOffInt(std::string_view token) {
    std::size_t i = SkipSpace(token);
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so INT_MIN is reachable without overflow.
    long long value = 0;
    for (; i < token.size() && IsDigit(token[i]); ++i) {
        value = value * 10 - (token[i] - '0');
        if (value < static_cast<long long>(INT_MIN)) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value == static_cast<long long>(INT_MIN) ? INT_MAX : static_cast<int>(-value);
}

RealStatus ParseOffReal(std::string_view token, double& value) {
    const std::size_t begin = SkipSpace(token);
    std::size_t i = begin;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    const std::size_t mantissaBegin = i;
    std::size_t intDigits = 0;
    std::size_t fracDigits = 0;
    // Decimal exponent of the first non-zero digit, relative to the point (for range checks).
    long long leadExponent = LLONG_MIN;
    for (; i < token.size() && IsDigit(token[i]); ++i, ++intDigits) {
        if (leadExponent == LLONG_MIN && token[i] != '0') {
            leadExponent = 0;
        } else if (leadExponent != LLONG_MIN) {
            ++leadExponent;
        }
    }
    if (i < token.size() && token[i] == '.') {
        ++i;
        for (; i < token.size() && IsDigit(token[i]); ++i, ++fracDigits) {
            if (leadExponent == LLONG_MIN && token[i] != '0') {
                leadExponent = -static_cast<long long>(fracDigits) - 1;
            }
        }
    }
    if (intDigits + fracDigits == 0) {
        value = 0.0;
        return RealStatus::kOk;
    }
    const std::size_t mantissaEnd = i;
    // The exponent counts only when at least one digit follows its letter (and sign).
    long long exponent = 0;
    bool exponentNegative = false;
    std::size_t exponentDigitsBegin = 0;
    std::size_t end = mantissaEnd;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E' || token[i] == 'd' || token[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < token.size() && (token[j] == '+' || token[j] == '-')) {
            exponentNegative = token[j] == '-';
            ++j;
        }
        if (j < token.size() && IsDigit(token[j])) {
            exponentDigitsBegin = j;
            for (; j < token.size() && IsDigit(token[j]); ++j) {
                if (exponent < 1000000000LL) {
                    exponent = exponent * 10 + (token[j] - '0');
                }
            }
            end = j;
        }
    }

    if (ReadShortReal(token, mantissaBegin, mantissaEnd, intDigits + fracDigits, fracDigits,
                      exponentNegative ? -exponent : exponent, negative, value)) {
        return RealStatus::kOk;
    }

    // Build the text from_chars takes: no leading '+', and 'e' for the exponent letter.
    char small[128];
    std::string large;
    char* buffer = small;
    const std::size_t needed = (mantissaEnd - mantissaBegin) + (end - mantissaEnd) + 3;
    if (needed > sizeof(small)) {
        large.resize(needed);
        buffer = large.data();
    }
    std::size_t n = 0;
    if (negative) {
        buffer[n++] = '-';
    }
    for (std::size_t k = mantissaBegin; k < mantissaEnd; ++k) {
        buffer[n++] = token[k];
    }
    if (exponentDigitsBegin != 0) {
        buffer[n++] = 'e';
        if (exponentNegative) {
            buffer[n++] = '-';
        }
        for (std::size_t k = exponentDigitsBegin; k < end; ++k) {
            buffer[n++] = token[k];
        }
    }
    double parsed = 0.0;
    const auto result = std::from_chars(buffer, buffer + n, parsed, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const long long magnitude = leadExponent + (exponentNegative ? -exponent : exponent);
        if (leadExponent == LLONG_MIN || magnitude < 0) {
            value = negative ? -0.0 : 0.0;
            return RealStatus::kOk;
        }
        return RealStatus::kOverflow;
    }
    if (result.ec != std::errc()) {
        value = 0.0;
        return RealStatus::kOk;
    }
    value = parsed;
    return RealStatus::kOk;
}

void AppendFixed6(std::string& out, double value) {
    // Large enough for the widest finite double in fixed notation.
    char buffer[330];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    out.append(buffer, result.ptr);
}

}  // namespace quorvane
