#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>

#include <climits>
#include <clocale>
#include <cmath>
#include <string>

#include "model/numbers.h"

namespace quorvane {
namespace {

struct IntCase {
    const char* text;
    int expected;
};

TEST(OffNumbers, ParseOffIntReadsLikeAtoiAndSaturates) {
    const IntCase cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+5", 5},
        {"3.0", 3},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"42abc", 42},
        {" \v\f9", 9},
        {"0007", 7},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"--1", 0},
        {"1e3", 1},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(ParseOffInt(c.text), c.expected) << c.text;
    }
}

struct RealCase {
    const char* text;
    double expected;
};

TEST(OffNumbers, ParseOffRealReadsLikeAtofWithDExponent) {
    const RealCase cases[] = {
        {"1", 1.0},
        {"-0.25", -0.25},
        {"+2.5", 2.5},
        {"-.5", -0.5},
        {"1.", 1.0},
        {"1e-3", 1e-3},
        {"1D2", 100.0},
        {"1d-2", 0.01},
        {"2.5E+1", 25.0},
        {"-1.54743e-018", -1.54743e-18},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1ex", 1.0},
        {"abc", 0.0},
        {"", 0.0},
        {".", 0.0},
        {"-", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"0x1p3", 0.0},
        {"3.5abc", 3.5},
        {"1e-400", 0.0},
        {"0.1", 0.1},
        {"0.30000000000000004", 0.30000000000000004},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "000000000000000000000000000000000000000000000000000000000000000000000001.5",
         1.5},
    };
    for (const RealCase& c : cases) {
        double value = -99.0;
        EXPECT_EQ(ParseOffReal(c.text, value), RealStatus::kOk) << c.text;
        EXPECT_EQ(value, c.expected) << c.text;
    }
}

// Random decimal numbers, short ones (the quick path) and long ones, read exactly as the C
// library's strtod reads them (with 'd' and 'D' taken as 'e').
TEST(OffNumbers, ParseOffRealEqualsStrtodOnRandomNumbers) {
    std::mt19937_64 rng(4242);
    const auto digits = [&](std::size_t most) {
        std::string text(rng() % (most + 1), '0');
        for (char& c : text) {
            c = static_cast<char>('0' + rng() % 10);
        }
        return text;
    };
    for (int round = 0; round < 200000; ++round) {
        std::string token = rng() % 4 == 0 ? "-" : rng() % 8 == 0 ? "+" : "";
        const bool longNumber = rng() % 8 == 0;
        token += digits(longNumber ? 25 : 8);
        if (rng() % 2) {
            token += '.';
            token += digits(longNumber ? 25 : 9);
        }
        if (rng() % 3 == 0) {
            token += "eEdD"[rng() % 4];
            token += rng() % 2 ? "-" : "";
            token += digits(rng() % 4 == 0 ? 3 : 2);
        }
        if (rng() % 10 == 0) {
            token += "#1";  // not "x": strtod reads hexadecimal, which the format does not have
        }
        std::string forStrtod = token;
        for (char& c : forStrtod) {
            c = (c == 'd' || c == 'D') ? 'e' : c;
        }
        errno = 0;
        const double expected = std::strtod(forStrtod.c_str(), nullptr);
        const bool overflow = errno == ERANGE && std::isinf(expected);
        double value = -99.0;
        const RealStatus status = ParseOffReal(token, value);
        if (overflow) {
            ASSERT_EQ(status, RealStatus::kOverflow) << token;
            continue;
        }
        ASSERT_EQ(status, RealStatus::kOk) << token;
        ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0)
            << token << ": " << value << " vs " << expected;
    }
}

TEST(OffNumbers, ParseOffRealKeepsTheSignOfUnderflowAndReportsOverflow) {
    double value = 0.0;
    EXPECT_EQ(ParseOffReal("-1e-400", value), RealStatus::kOk);
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(std::signbit(value));
    for (const char* text : {"1e400", "-1e309", "1.8e308", "10000e305", "1D999999999999999"}) {
        EXPECT_EQ(ParseOffReal(text, value), RealStatus::kOverflow) << text;
    }
    EXPECT_EQ(ParseOffReal("0e999999999", value), RealStatus::kOk);
    EXPECT_EQ(value, 0.0);
}

TEST(OffNumbers, NumbersIgnoreTheProcessLocale) {
    // A locale with a decimal comma must not change how numbers are read or written.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    }
    double value = 0.0;
    ParseOffReal("1.5", value);
    std::string text;
    AppendFixed6(text, -0.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(value, 1.5);
    EXPECT_EQ(text, "-0.250000");
}

struct FixedCase {
    double value;
    const char* text;
};

TEST(OffNumbers, AppendFixed6WritesLikePrintfF) {
    const FixedCase cases[] = {
        {1.0, "1.000000"},
        {-0.25, "-0.250000"},
        {0.0000004, "0.000000"},
        {-0.0000004, "-0.000000"},
        {0.0000005, "0.000000"},
        {0.0000015, "0.000002"},
        {1e20, "100000000000000000000.000000"},
        {-0.0, "-0.000000"},
        {123.4567895, "123.456789"},
    };
    for (const FixedCase& c : cases) {
        std::string text;
        AppendFixed6(text, c.value);
        char expected[512];
        std::snprintf(expected, sizeof(expected), "%f", c.value);
        EXPECT_EQ(text, c.text) << c.value;
        EXPECT_EQ(text, expected) << c.value;
    }
}

}  // namespace
}  // namespace quorvane
