// Whole pixels from normalised positions: truncation toward zero wherever it is defined, pinned
// only beyond, and the two rules for rows.
#include "viewing/pixel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace quorvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Pixels, TruncToPixelTruncatesWhereverTheResultIsAnInt) {
    struct Case {
        double value;
        int expected;
    };
    const Case cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {1.999, 1},
        {-1.999, -1},
        {-0.5, 0},
        {299.8, 299},
        // Far-off positions keep their own value: 6e8 and 5.5e8 are different pixels.
        {6e8 + 0.75, 600000000},
        {5.5e8, 550000000},
        {-1073741824.5, -1073741824},
        {2147483647.0, INT_MAX},
        {2147483647.999, INT_MAX},
        {-2147483648.0, INT_MIN},
        {-2147483648.999, INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TruncToPixel(c.value), c.expected) << c.value;
    }
}

TEST(Pixels, TruncToPixelPinsOnlyWhereTheConversionWouldBeUndefined) {
    struct Case {
        double value;
        int expected;
    };
    const Case cases[] = {
        {2147483648.0, INT_MAX}, {3e9, INT_MAX},           {1e300, INT_MAX},
        {kInf, INT_MAX},         {-2147483649.0, INT_MIN}, {-3e9, INT_MIN},
        {-1e300, INT_MIN},       {-kInf, INT_MIN},         {kNaN, INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TruncToPixel(c.value), c.expected) << c.value;
    }
}

TEST(Pixels, WidePixelsAreExactUpToTwoToTheSixtyTwo) {
    const double limit = static_cast<double>(kWidePixelLimit);
    EXPECT_EQ(TruncToWidePixel(-7.9), -7);
    EXPECT_EQ(TruncToWidePixel(6e12 + 0.5), std::int64_t{6000000000000});
    EXPECT_EQ(TruncToWidePixel(std::nextafter(limit, 0.0)),
              static_cast<std::int64_t>(std::nextafter(limit, 0.0)));
    EXPECT_EQ(TruncToWidePixel(limit), kWidePixelLimit);
    EXPECT_EQ(TruncToWidePixel(1e300), kWidePixelLimit);
    EXPECT_EQ(TruncToWidePixel(-1e300), -kWidePixelLimit);
    EXPECT_EQ(TruncToWidePixel(-kInf), -kWidePixelLimit);
    EXPECT_EQ(TruncToWidePixel(kNaN), 0);
}

TEST(Pixels, SolidCornersSubtractBeforeTruncatingLineEndsAfter) {
    EXPECT_EQ(SolidPixel(400, 0.5, 0.5), (PixelPoint{200, 200}));
    EXPECT_EQ(LinePixel(400, 0.5, 0.5), (PixelPoint{200, 200}));
    EXPECT_EQ(SolidPixel(400, 0.5, 0.2505), (PixelPoint{200, 299}));
    EXPECT_EQ(LinePixel(400, 0.5, 0.2505), (PixelPoint{200, 300}));
}

TEST(Pixels, FarOffRowsKeepTheirValueAndPinOnlyOutsideTheIntRange) {
    // S y = -1.5e9: the line row 400 + 1.5e9 still fits an int; the point row too.
    EXPECT_EQ(LinePixel(400, 0.5, -1.5e9 / 400), (PixelPoint{200, 1500000400}));
    EXPECT_EQ(SolidPixel(400, 0.5, -1.5e9 / 400), (PixelPoint{200, 1500000400}));
    // S y = -2147483500: the line row 400 + 2147483500 is beyond the int range and is pinned.
    EXPECT_EQ(LinePixel(400, 0.5, -2147483500.0 / 400).y, INT_MAX);
    EXPECT_EQ(LinePixel(400, kNaN, kNaN), (PixelPoint{INT_MIN, INT_MAX}));
}

// The pixels made two at a time are those of the one-position rules, for positions in the image,
// at the edges of the int range and beyond it, infinite and not numbers, from any first position.
TEST(Pixels, ManyAtATimeGiveTheOnePositionRulesPixels) {
    const double big = 2147483648.0;
    std::vector<double> values = {0.0,     0.5,  -0.5,  1.0,  0.25,  1e-300,
                                  -1e-300, kInf, -kInf, kNaN, 1e300, -1e300};
    for (const double edge : {big, -big, big - 1.0, -big - 1.0}) {
        for (const double step : {-0.75, -0.5, -0.25, 0.0, 0.25, 0.5, 0.75}) {
            values.push_back((edge + step) / 1024.0);
            values.push_back(edge + step);
        }
    }
    std::mt19937_64 random(11u);
    std::uniform_real_distribution<double> inImage(-0.2, 1.2);
    std::uniform_real_distribution<double> exponent(-5.0, 12.0);
    for (int k = 0; k < 3000; ++k) {
        values.push_back(k % 3 == 0 ? (k % 2 ? 1 : -1) * std::pow(10.0, exponent(random)) : inImage(random));
    }
    std::vector<double> nx(values.size());
    std::vector<double> ny(values.size());
    std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
    for (std::size_t i = 0; i < values.size(); ++i) {
        nx[i] = values[pick(random)];
        ny[i] = values[i];
    }
    for (const int size : {1, 400, 1024, 2897}) {
        for (const bool linePixels : {false, true}) {
            for (const std::size_t first : {std::size_t{0}, std::size_t{1}}) {
                std::vector<PixelPoint> out(values.size(), PixelPoint{7, 7});
                ImagePixels(size, nx.data(), ny.data(), first, values.size(), linePixels, out.data());
                EXPECT_EQ(out[0], first == 0 ? (linePixels ? LinePixel(size, nx[0], ny[0])
                                                           : SolidPixel(size, nx[0], ny[0]))
                                             : (PixelPoint{7, 7}));
                for (std::size_t i = first; i < values.size(); ++i) {
                    const PixelPoint expected =
                        linePixels ? LinePixel(size, nx[i], ny[i]) : SolidPixel(size, nx[i], ny[i]);
                    ASSERT_EQ(out[i], expected) << size << " " << linePixels << " " << nx[i] << ", " << ny[i];
                }
            }
        }
    }
}

}  // namespace
}  // namespace quorvane
