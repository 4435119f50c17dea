#include "render/color.h"

#include <cmath>

namespace quorvane {

namespace {

// 1/255 as the stored conversion factor.
constexpr double kByteToReal = 0.00392156862745098;

// The low 8 bits of trunc(channel * 255), computed without converting an out-of-range double.
COLORREF ChannelToByte(double channel) {
    const double scaled = channel * 255.0;
    if (scaled >= 0.0 && scaled < 256.0) {
        return static_cast<COLORREF>(scaled);
    }
    if (std::isnan(scaled) || std::isinf(scaled)) {
        return 0;
    }
    // fmod is exact, so this is the integer's residue modulo 256 (the two's complement low byte
    // for negative values); integers of 2^61 and beyond are multiples of 256 and give 0.
    double residue = std::fmod(std::trunc(scaled), 256.0);
    if (residue < 0.0) {
        residue += 256.0;
    }
    return static_cast<COLORREF>(residue);
}

}  // namespace

CRealColor ColorRefToReal(COLORREF c) {
    return {(c & 0xFFu) * kByteToReal, ((c >> 8) & 0xFFu) * kByteToReal, ((c >> 16) & 0xFFu) * kByteToReal};
}

COLORREF RealToColorRef(double red, double green, double blue) {
    return ChannelToByte(red) | (ChannelToByte(green) << 8) | (ChannelToByte(blue) << 16);
}

}  // namespace quorvane
