#include "render/color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvane {
namespace {

TEST(Color, PackedLayoutHasRedInTheLowByte) {
    const COLORREF c = RGB(0x12, 0x34, 0x56);
    EXPECT_EQ(c, 0x00563412u);
    EXPECT_EQ(GetRValue(c), 0x12);
    EXPECT_EQ(GetGValue(c), 0x34);
    EXPECT_EQ(GetBValue(c), 0x56);
}

TEST(Color, PixelIsOpaqueWithRedInTheThirdByte) {
    EXPECT_EQ(ColorRefToPixel(RGB(0x12, 0x34, 0x56)), 0xFF123456u);
    EXPECT_EQ(ColorRefToPixel(0), 0xFF000000u);
    // Bits above the blue byte are ignored.
    EXPECT_EQ(ColorRefToPixel(0xAB0000FFu), 0xFFFF0000u);
}

TEST(Color, ColorRefToRealScalesEachByte) {
    const CRealColor c = ColorRefToReal(RGB(255, 0, 51));
    EXPECT_EQ(c.red, 1.0);
    EXPECT_EQ(c.green, 0.0);
    EXPECT_EQ(c.blue, 51 * 0.00392156862745098);
}

TEST(Color, RealToColorRefTruncates) {
    EXPECT_EQ(RealToColorRef(1.0, 1.0, 1.0), RGB(255, 255, 255));
    EXPECT_EQ(RealToColorRef(0.999, 0, 0), RGB(254, 0, 0));
    EXPECT_EQ(RealToColorRef(0.49, 0.49, 1.0), RGB(124, 124, 255));
    EXPECT_EQ(RealToColorRef(0, 0.3, 0), RGB(0, 76, 0));
}

TEST(Color, BytesThroughRealAndBack) {
    struct RoundTrip {
        int byte;
        int back;
    };
    const RoundTrip cases[] = {{0, 0}, {1, 1}, {2, 2}, {33, 32}, {128, 128}, {255, 255}};
    for (const RoundTrip& c : cases) {
        const auto b = static_cast<std::uint8_t>(c.byte);
        const COLORREF back = RealToColorRef(ColorRefToReal(RGB(b, b, b)));
        EXPECT_EQ(back, RGB(c.back, c.back, c.back)) << c.byte;
    }
}

TEST(Color, OutOfRangeChannelsKeepTheLowByteOfTheTruncatedInteger) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double channel;
        int byte;
    };
    const Case cases[] = {
        {2.0, 254},                // 510
        {-1.0 / 255.0, 255},       // -1
        {-0.001, 0},               // -0.255 truncates to 0
        {1099511627777.0, 255},    // (2^40 + 1) * 255
        {-1099511627777.0, 1},     // -(2^40 + 1) * 255
        {std::ldexp(1.0, 62), 0},  // beyond 64-bit integers
        {-std::ldexp(1.0, 70), 0},
        {1e300, 0},
        {inf, 0},
        {-inf, 0},
        {nan, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RealToColorRef(c.channel, 0, 0), RGB(c.byte, 0, 0)) << c.channel;
        EXPECT_EQ(RealToColorRef(0, 0, c.channel), RGB(0, 0, c.byte)) << c.channel;
    }
}

}  // namespace
}  // namespace quorvane
