// Colours: the packed 8-bit COLORREF (red in the low byte), the real-valued CRealColor and the
// conversions between them and to 32-bit image pixels.
#pragma once

#include <cstdint>

namespace quorvane {

// Red in bits 0..7, green in bits 8..15, blue in bits 16..23, bits 24..31 zero.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
           (static_cast<COLORREF>(blue) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) {
    return static_cast<std::uint8_t>(c & 0xFFu);
}
constexpr std::uint8_t GetGValue(COLORREF c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFFu);
}
constexpr std::uint8_t GetBValue(COLORREF c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFFu);
}

// An opaque image pixel 0xFFRRGGBB from a COLORREF 0x00BBGGRR.
inline std::uint32_t ColorRefToPixel(COLORREF c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// A colour as three doubles in 0 .. 1, 1 standing for the byte 255.
struct CRealColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;

    bool operator==(const CRealColor&) const = default;
};

// Each byte times 0.00392156862745098 (a multiplication, not a division by 255).
CRealColor ColorRefToReal(COLORREF c);

// Each channel times 255 truncated toward zero, keeping the low 8 bits of that integer; a channel
// that is not a number gives 0.
COLORREF RealToColorRef(double red, double green, double blue);
inline COLORREF RealToColorRef(const CRealColor& c) {
    return RealToColorRef(c.red, c.green, c.blue);
}

}  // namespace quorvane
